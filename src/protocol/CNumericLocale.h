#pragma once

#include <QtGlobal>

namespace brv {

// While an object of this class lives, the C library formats and parses numbers on the calling
// thread with a decimal point, whatever locale the process runs in. Libraries that write file
// formats with printf (the workbook writer does) then write "6.74", never "6,74". Only the
// calling thread is affected; other threads and the process locale stay as they are.
class CNumericLocale final
{
public:
    CNumericLocale();
    ~CNumericLocale();
    Q_DISABLE_COPY_MOVE(CNumericLocale)

    // The program itself formats numbers through Qt; the C library's number format is pinned to
    // "C" once at start, after the application object has set the locale from the environment.
    static void pinProcessNumericLocale();

private:
    void* m_previous = nullptr;
    void* m_locale = nullptr;
    [[maybe_unused]] int m_previousThreadMode = 0; // Windows only
};

} // namespace brv
