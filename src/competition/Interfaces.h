#pragma once

#include <QString>

namespace brv {

// The operator's yes/no answer to a question ("Ergebnisse löschen?", "Programm beenden?").
class YesNoQuestion
{
public:
    virtual ~YesNoQuestion() = default;
    virtual bool ask(const QString& question) = 0;
};

// Whether a Shift key is held down at this moment.
class ShiftKeyState
{
public:
    virtual ~ShiftKeyState() = default;
    virtual bool shiftDown() const = 0;
};

} // namespace brv
