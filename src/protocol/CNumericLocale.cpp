#include "protocol/CNumericLocale.h"

#include <clocale>
#include <locale.h>
#include <string>

namespace brv {

#if defined(Q_OS_WIN)

CNumericLocale::CNumericLocale()
{
    m_previousThreadMode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    if (const char* current = std::setlocale(LC_NUMERIC, nullptr))
        m_previous = new std::string(current);
    std::setlocale(LC_NUMERIC, "C");
}

CNumericLocale::~CNumericLocale()
{
    if (auto* previous = static_cast<std::string*>(m_previous)) {
        std::setlocale(LC_NUMERIC, previous->c_str());
        delete previous;
    }
    _configthreadlocale(m_previousThreadMode);
}

#else

CNumericLocale::CNumericLocale()
{
    // A copy of the thread's locale with only the number category replaced, so messages and
    // character classes stay as they were.
    const locale_t current = uselocale(locale_t(nullptr));
    const locale_t copy = duplocale(current);
    if (copy == locale_t(nullptr))
        return;
    const locale_t numeric = newlocale(LC_NUMERIC_MASK, "C", copy);
    if (numeric == locale_t(nullptr)) {
        freelocale(copy);
        return;
    }
    m_locale = numeric;
    m_previous = uselocale(numeric);
}

CNumericLocale::~CNumericLocale()
{
    if (m_locale == nullptr)
        return;
    uselocale(static_cast<locale_t>(m_previous));
    freelocale(static_cast<locale_t>(m_locale));
}

#endif

void CNumericLocale::pinProcessNumericLocale()
{
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace brv
