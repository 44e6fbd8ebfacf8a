#pragma once
#include "platform/kernel/ReportedOsBuild.h"
