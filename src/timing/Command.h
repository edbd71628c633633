#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace brv {

// One operator action of the main window. Buttons, keys, menus and contacts all run it through
// trigger(); while it is disabled it does nothing, whoever calls it. Its enabled flag lives in
// the run controls the clock keeps, so the command and the button showing it cannot disagree.
class Command final
{
public:
    // `tick` is the moment a contact saw its edge; a key, a click or a menu leaves it empty and
    // the command reads the tick itself.
    using Action = std::function<void(std::optional<quint32> tick)>;

    Command(QString name, QString caption, std::function<bool()> enabled, Action action)
        : m_name(std::move(name)), m_caption(std::move(caption)), m_enabled(std::move(enabled)),
          m_action(std::move(action))
    {}

    const QString& name() const { return m_name; }
    const QString& caption() const { return m_caption; }
    bool isEnabled() const { return !m_enabled || m_enabled(); }

    // Runs the command when it is enabled; returns whether it ran.
    bool trigger(std::optional<quint32> tick = std::nullopt)
    {
        if (!isEnabled() || !m_action)
            return false;
        m_action(tick);
        return true;
    }

private:
    QString m_name;
    QString m_caption;
    std::function<bool()> m_enabled;
    Action m_action;
};

} // namespace brv
