#include "app/ProtocolTableView.h"

#include "app/MedalPainter.h"
#include "app/ProtocolTableModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QToolTip>

namespace brv {

namespace {

// A selected row keeps a trace of its own colour (the lanes' colours): the selection colour is
// mixed with it.
void tintSelection(QStyleOptionViewItem& option, const QModelIndex& index)
{
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!(option.state & QStyle::State_Selected) || !background.canConvert<QColor>())
        return;
    const QColor own = background.value<QColor>();
    const QColor selection = option.palette.color(QPalette::Highlight);
    const QColor mixed =
        QColor::fromRgbF((own.redF() + selection.redF()) / 2, (own.greenF() + selection.greenF()) / 2,
                         (own.blueF() + selection.blueF()) / 2);
    option.palette.setColor(QPalette::Highlight, mixed);
    option.palette.setColor(QPalette::HighlightedText, mixed.lightnessF() > 0.55 ? Qt::black : Qt::white);
}

} // namespace

ProtocolCellDelegate::ProtocolCellDelegate(Competition& competition, QObject* parent)
    : QStyledItemDelegate(parent), m_competition(competition)
{}

void ProtocolCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const auto medal = static_cast<Medal>(index.data(ProtocolTableModel::MedalRole).toInt());
    if (medal == Medal::None) {
        QStyleOptionViewItem opt = option;
        tintSelection(opt, index);
        QStyledItemDelegate::paint(painter, opt, index);
        return;
    }
    // the number at a fixed offset, the medal at the right
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    tintSelection(opt, index);
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    painter->save();
    const int left = index.data(ProtocolTableModel::MedalTextLeftRole).toInt();
    painter->setFont(opt.font);
    painter->setPen(
        opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(option.rect.adjusted(left, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    painter->restore();
    const int size = std::min(17, option.rect.height() - 2);
    paintMedal(*painter, QRect(option.rect.right() - 26, option.rect.top() + 1, size, size), medal);
}

QWidget* ProtocolCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    const auto* protocol = qobject_cast<const ProtocolTableModel*>(index.model());
    if (protocol && protocol->isTeamCell(index)) {
        // a team's text is written when the editor closes with Enter or by leaving it
        editor->setProperty(kTeamEditor, true);
        return editor;
    }
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->installEventFilter(const_cast<ProtocolCellDelegate*>(this));
        QAbstractItemModel* model = const_cast<QAbstractItemModel*>(index.model());
        const QPersistentModelIndex persistent(index);
        // the cell follows the typing, as the protocol does
        connect(line, &QLineEdit::textEdited, line, [model, persistent](const QString& text) {
            if (persistent.isValid())
                model->setData(persistent, text, Qt::EditRole);
        });
    }
    return editor;
}

void ProtocolCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                        const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, line->text(), Qt::EditRole);
}

bool ProtocolCellDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched->property(kTeamEditor).toBool())
        return QStyledItemDelegate::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (auto* editor = qobject_cast<QWidget*>(watched)) {
                Q_EMIT commitData(editor);
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
            }
            Q_EMIT enterPressed();
            return true;
        }
        const QString text = key->text();
        if (key->key() == Qt::Key_Backspace)
            return QStyledItemDelegate::eventFilter(watched, event);
        if (!text.isEmpty() && text.at(0).isPrint()) {
            const std::optional<QChar> typed = m_competition.editCharacter(text.at(0));
            if (!typed)
                return true; // dropped, as the protocol wants
            if (*typed != text.at(0)) {
                // "5.40" means 5,40 on a German system: the separator goes in instead of the point
                if (auto* line = qobject_cast<QLineEdit*>(watched)) {
                    line->insert(QString(*typed));
                    Q_EMIT line->textEdited(line->text());
                }
                return true;
            }
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

ProtocolTableView::ProtocolTableView(Competition& competition, ProtocolTableModel* model, QWidget* parent)
    : QTableView(parent), m_competition(competition), m_model(model),
      m_delegate(new ProtocolCellDelegate(competition, this))
{
    setModel(model);
    setItemDelegate(m_delegate);
    m_revealLater.setSingleShot(true);
    connect(&m_revealLater, &QTimer::timeout, this,
            [this] { revealRows(m_revealRows.first, m_revealRows.second); });
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setMinimumSectionSize(16);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(0);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setWordWrap(false);
    setTabKeyNavigation(false);
    connect(m_delegate, &ProtocolCellDelegate::enterPressed, this, &ProtocolTableView::onEnter);
}

CompetitionRound ProtocolTableView::round() const
{
    return m_model->round();
}

bool ProtocolTableView::isEditingTeam() const
{
    return isEditing() && m_model->isTeamCell(currentIndex());
}

void ProtocolTableView::syncSelection()
{
    const ResultGrid& grid = m_competition.grid(round());
    if (m_model->rowCount() == 0)
        return;
    m_syncing = true;
    const QModelIndex current = m_model->index(std::clamp(grid.currentRow - 1, 0, m_model->rowCount() - 1),
                                               std::clamp(grid.currentColumn, 0, m_model->columnCount() - 1));
    setSelectionBehavior(grid.editMode ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    // a current row the core moved does not pull the table away from under the mouse
    setAutoScroll(quietLeftMs() == 0);
    selectionModel()->setCurrentIndex(current, grid.editMode ? QItemSelectionModel::ClearAndSelect
                                                             : QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
    setAutoScroll(true);
    m_syncing = false;
}

int ProtocolTableView::quietLeftMs() const
{
    if (m_buttonDown)
        return kQuietMs;
    return m_lastClick.isValid() ? int(std::max<qint64>(0, kQuietMs - m_lastClick.elapsed())) : 0;
}

void ProtocolTableView::revealRows(int first, int last)
{
    m_revealRows = {first, last};
    if (const int wait = quietLeftMs()) {
        m_revealLater.start(wait);
        return;
    }
    m_revealLater.stop();
    const int rows = model()->rowCount();
    if (first < 0 || last >= rows || first > last)
        return;
    auto inView = [this](int row) {
        const int top = rowViewportPosition(row);
        return top >= 0 && top + rowHeight(row) <= viewport()->height();
    };
    if (inView(first) && inView(last))
        return;
    const int column = std::max(0, columnAt(0));
    scrollTo(model()->index(last, column));
    scrollTo(model()->index(first, column));
}

bool ProtocolTableView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.data().toString();
    const QVariant cellFont = index.data(Qt::FontRole);
    const QFont font = cellFont.isValid() ? cellFont.value<QFont>().resolve(this->font()) : this->font();
    // the cell's margins: a text within a few pixels of the edge is cut too
    if (index.isValid() && QFontMetrics(font).horizontalAdvance(text) + 8 > visualRect(index).width())
        QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

void ProtocolTableView::mouseReleaseEvent(QMouseEvent* event)
{
    m_buttonDown = false;
    m_lastClick.start();
    QTableView::mouseReleaseEvent(event);
}

void ProtocolTableView::mousePressEvent(QMouseEvent* event)
{
    m_buttonDown = true;
    m_lastClick.start();
    if (event->button() != Qt::LeftButton) {
        event->accept(); // a right click moves the selection with its context menu
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        QTableView::mousePressEvent(event);
        return;
    }
    if (state() == QAbstractItemView::EditingState)
        closePersistentEditor(currentIndex());
    if (m_competition.currentRound() == round())
        m_competition.selectCell(index.column(), index.row() + 1);
    syncSelection();
    Q_EMIT cellSelected();
    event->accept();
}

void ProtocolTableView::mouseMoveEvent(QMouseEvent* event)
{
    // dragging with the button down does not move the current row: only the core moves it
    event->accept();
}

void ProtocolTableView::keyboardSearch(const QString& search)
{
    // typing a team's first letters finds its row; the core makes it the current row, so the lane
    // commands take the row that is shown
    QTableView::keyboardSearch(search);
    const QModelIndex found = currentIndex();
    if (found.isValid() && m_competition.currentRound() == round())
        m_competition.selectCell(found.column(), found.row() + 1);
    syncSelection();
    Q_EMIT cellSelected();
}

void ProtocolTableView::closeCellEditor()
{
    if (!isEditing())
        return;
    if (QWidget* editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    else
        QTableView::reset(); // an editor that is not the current index's: every editor goes
}

void ProtocolTableView::keyPressEvent(QKeyEvent* event)
{
    const ResultGrid& grid = m_competition.grid(round());
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && grid.editMode) {
        onEnter();
        event->accept();
        return;
    }
    // arrow keys move through the core, like a click
    int row = grid.currentRow;
    int col = grid.currentColumn;
    const bool current = m_competition.currentRound() == round();
    if (current && !grid.editMode && round() == CompetitionRound::Vorrunde) {
        // the team list: Enter types the chosen team cell, Insert adds a row, Delete removes an empty one
        const int key = event->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            edit(currentIndex(), QAbstractItemView::EditKeyPressed, event);
            event->accept();
            return;
        }
        if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
            if (key == Qt::Key_Insert ? m_competition.insertTeamRow() : m_competition.removeTeamRow()) {
                syncSelection();
                scrollTo(currentIndex());
                Q_EMIT cellSelected();
            }
            event->accept();
            return;
        }
    }
    switch (event->key()) {
    case Qt::Key_Delete:
        if (current) {
            if (isEditing())
                closeCellEditor();
            m_competition.clearCurrentCell();
            syncSelection();
        }
        event->accept();
        return;
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_Left:
        --col;
        break;
    case Qt::Key_Right:
        ++col;
        break;
    default:
        QTableView::keyPressEvent(event);
        return;
    }
    if (m_competition.currentRound() == round() && row >= 1 && row < grid.rowCount() && col >= 0 &&
        col < grid.columnCount()) {
        m_competition.selectCell(col, row);
        syncSelection();
        scrollTo(currentIndex());
        Q_EMIT cellSelected();
    }
    event->accept();
}

void ProtocolTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && m_model->isTeamCell(index)) {
        // the team's row is the current row, as after a single click
        if (index.row() + 1 != m_competition.grid(round()).currentRow) {
            m_competition.selectCell(index.column(), index.row() + 1);
            syncSelection();
            Q_EMIT cellSelected();
        }
        edit(index, QAbstractItemView::DoubleClicked, event);
    }
    event->accept();
}

bool ProtocolTableView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // typing on a team's row searches the teams; only a double click or Enter types a team cell
    if (trigger == QAbstractItemView::AnyKeyPressed && m_model->isTeamCell(index))
        return false;
    return QTableView::edit(index, trigger, event);
}

void ProtocolTableView::contextMenuEvent(QContextMenuEvent* event)
{
    // the menu acts on the cell that was clicked: it becomes the current cell first
    const QModelIndex index = indexAt(event->pos());
    if (event->reason() == QContextMenuEvent::Mouse && index.isValid() &&
        m_competition.currentRound() == round()) {
        if (state() == QAbstractItemView::EditingState)
            closePersistentEditor(currentIndex());
        m_competition.selectCell(index.column(), index.row() + 1);
        syncSelection();
        Q_EMIT cellSelected();
    }
    Q_EMIT contextMenuWanted(event->globalPos());
    event->accept();
}

void ProtocolTableView::onEnter()
{
    m_competition.editEnter();
    syncSelection();
}

} // namespace brv
