#include "korvane.h"

namespace {
struct SilentPort : MessagePort {
    int MsgBox(const QString&, int) override { return 1; }
};
}  // namespace

int main()
{
    SilentPort port;
    Korvane form(port);
    return form.selectedValue == QStringLiteral("11") ? 0 : 1;
}
