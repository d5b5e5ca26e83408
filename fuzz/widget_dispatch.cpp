// Widget trees changed by their own handlers and callbacks while they are dispatched
// to, updated and drawn (see WidgetChaos.h). Run under the sanitizers.
#include "fuzz/WidgetChaos.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    widgetchaos::Run(data, size, nullptr);
    return 0;
}
