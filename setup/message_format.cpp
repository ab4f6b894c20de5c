#include "message_format.h"

#include "lead_bytes.h"
#include "text_copy.h"

namespace qsetup {

bool IsSingleTextTemplate(const char* templ)
{
    int placeholders = 0;
    for (const char* p = templ; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        if (p[1] != 's')
            return false;
        ++placeholders;
        ++p;
    }
    return placeholders == 1;
}

std::size_t FittingArgumentLength(const char* templ, const char* arg)
{
    const std::size_t fixed = TextLength(templ) - 2; // the template without "%s"
    const std::size_t limit = kMessageSize - 1;
    const std::size_t room = fixed < limit ? limit - fixed : 0;

    std::size_t taken = 0;
    for (const char* pos = arg; *pos != '\0';) {
        const char* next = NextCharPos(pos);
        const std::size_t end = static_cast<std::size_t>(next - arg);
        if (end > room)
            break;
        taken = end;
        pos = next;
    }
    return taken;
}

} // namespace qsetup
