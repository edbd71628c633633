#include "app/widgets/MainStatusBar.h"

#include "app/LiveAddressPanel.h"
#include "app/StatusPanel.h"
#include "version.h"

namespace brv {

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    m_count = new StatusPanel(this);
    m_program = new StatusPanel(this);
    m_message = new StatusPanel(this);
    m_address = new LiveAddressPanel(this);
    for (QLabel* panel : {static_cast<QLabel*>(m_count), static_cast<QLabel*>(m_program),
                          static_cast<QLabel*>(m_message), static_cast<QLabel*>(m_address)}) {
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
    }
    m_count->setFixedWidth(60);
    // the program's name is shown whole
    const QString program = QStringLiteral(" ") + version::kProgramName +
                            QStringLiteral(" – Zeitmessung für Feuerwehr-Wettkämpfe");
    m_program->setFullText(program);
    m_program->setFixedWidth(m_program->fontMetrics().horizontalAdvance(program) +
                             2 * m_program->frameWidth() + 6);
    m_address->setMinimumWidth(110);
    addWidget(m_count);
    addWidget(m_program);
    addWidget(m_message, 1);
    addPermanentWidget(m_address);
}

QLabel* MainStatusBar::panel(int index) const
{
    const std::array<QLabel*, 4> panels{m_count, m_program, m_message, m_address};
    return panels[std::size_t(index)];
}

void MainStatusBar::showTeamCount(int teams)
{
    m_count->setFullText(QStringLiteral(" %1").arg(teams));
}

void MainStatusBar::setMessage(const QString& text)
{
    m_message->setFullText(text);
}

void MainStatusBar::showAddress(const QString& liveText, const QSize& windowSize)
{
    m_address->setAddress(liveText.isEmpty()
                              ? QStringLiteral("%1x%2      ").arg(windowSize.width()).arg(windowSize.height())
                              : QLatin1Char(' ') + liveText);
}

} // namespace brv
