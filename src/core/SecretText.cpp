#include "core/SecretText.h"

namespace zentaro {

void SecretText::wipe(QString& text)
{
    // data() detaches a shared text first, so only this copy is overwritten;
    // a volatile pointer keeps the stores from being dropped.
    if (!text.isEmpty()) {
        volatile char16_t* chars = reinterpret_cast<char16_t*>(text.data());
        for (qsizetype i = 0; i < text.size(); ++i)
            chars[i] = u'\0';
    }
    text.clear();
}

} // namespace zentaro
