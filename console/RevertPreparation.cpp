#include "console/RevertPreparation.h"

#include <cstdio>
#include "protocol/ControllerChips.h"

namespace mendora {

std::string DeviceAttribLine(const LibraryAnswers& a) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "chipid[0]=%x,chipid[1]=%x,chipid[2]=%x,chipid[3]=%x,chipid[4]=%x,model=%x,attrib=%x,zbank=%x,"
                  "chipcnt=%x",
                  a.chipId[0], a.chipId[1], a.chipId[2], a.chipId[3], a.chipId[4], a.model, a.attribute, a.zoneBank,
                  a.chipCount);
    return line;
}

std::string FlashAttribLine(const LibraryAnswers& a) {
    char line[160];
    std::snprintf(line, sizeof line, "maxSectors=%x,maxLogSectors=%x,maxBlocks=%x,maxZones=%x,A1Version=%x,ReduantSymbol=%x",
                  a.maxSectors, a.maxLogSectors, a.maxBlocks, a.maxZones, a.a1Version, a.redundantSymbol);
    return line;
}

namespace {

void FillOptions(RevertOptions& o) {
    o = RevertOptions{};
    o.PatternWord = 0;
    o.EccLimit = 2;
    o.TestLevel = 0;
    o.SettingIndexA = 1;  // 55h
    o.SettingIndexB = 3;  // 88h
    o.TwoPlane = 0;
    o.InterleaveIndex = 0;
    o.PageListCount = 6;
    o.PageListFirst = 0;
    o.PageListMode = 0;
    o.RecordBadBlockTable = 0;
    o.PairedPageMode = 0;
}

}  // namespace

void PrepareRevertRecords(const LibraryAnswers& a, FlashGeometry& g, RevertOptions& o) {
    FillOptions(o);
    g.DriveName[0] = a.driveLetter;
    g.DriveName[1] = ':';
    g.DriveName[2] = 0;
    for (int i = 0; i < 5; ++i) g.chipid[i] = a.chipId[i];
    g.chipcnt = a.chipCount;
    g.MLC = (a.chipId[2] & 0x0C) != 0 ? 1 : 0;
    g.DualMode = (a.attribute >> 5) & 1;
    g.zbank = a.zoneBank;
    g.maxBlocks = a.maxBlocks;
    g.PagesPerBlock = a.maxSectors;
    // A library that reports no pages per block leaves the page size at 0, which the
    // engine refuses, rather than dividing by zero.
    g.SectorsPerPage = a.maxSectors != 0 ? a.maxLogSectors / a.maxSectors : 0;
    g.SectorsPerBlocks = a.maxLogSectors;
    g.maxZones = a.maxZones;
    g.BlocksPerChip = std::uint32_t{a.maxZones} * a.maxBlocks;
    g.attrib = a.attribute;
    g.model = chips::kQf90;  // both controllers take the same revert
    g.A1Version = a.a1Version != 0 ? 1 : 0;
    g.ReduantSymbol = a.redundantSymbol;
    g.ProgressShare = 100;
    g.BadBlockCount = 0;
    g.TwoPlaneInhibit = 0;
    g.ProgressBase = 0;
    g.Progress = 0;
    g.CurrentBlock = 0;
    g.Status = 0;
    g.Port = 0;
    g.ParameterWordA = 0;
    g.ParameterWordB = 0;
    g.ParameterByte = 0;
}

}  // namespace mendora
