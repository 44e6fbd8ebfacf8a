// How often the text progress bar repaints while a position climbs one step at a time.
#include <cstdio>

#include "controls/TextProgressCtrl.h"
#include "platform/ui/TestUiHost.h"

int main() {
    using namespace mendora::platform;
    TestUiHost host;
    Window frame;
    frame.Create(kDialogClass, "bench", WS_POPUP | WS_VISIBLE, {0, 0, 200, 40}, nullptr);
    mendora::TextProgressCtrl bar;
    bar.Create(kProgressClass, "", WS_CHILD | WS_VISIBLE, {25, 10, 175, 30}, &frame, 1001);
    host.Pump();
    bar.SendMessage(PBM_SETRANGE32, 0, 10000);
    int before = bar.PaintCount();
    int calls = 0;
    for (int position = 0; position <= 10000; ++position, ++calls) bar.SendMessage(PBM_SETPOS, position);
    double ratio = double(bar.PaintCount() - before) / calls;
    std::printf("progress-setpos: %.4f (redraws / PBM_SETPOS calls, range 0 to 10000, positions 0 to 10000 one by one, "
                "150-pixel bar) goal 0.02\n", ratio);
    return 0;
}
