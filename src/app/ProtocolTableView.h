#pragma once

#include "competition/Competition.h"

#include <QElapsedTimer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>

namespace brv {

class ProtocolTableModel;

// Draws the medal cells and edits one cell with the core's key filter.
class ProtocolCellDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    ProtocolCellDelegate(Competition& competition, QObject* parent = nullptr);
    static constexpr const char* kTeamEditor = "brvTeamEditor";

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

Q_SIGNALS:
    // Enter pressed in the editor.
    void enterPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Competition& m_competition;
};

// One round's table. A click goes to the core, which decides between row and cell selection;
// the view then shows what the core selected.
class ProtocolTableView final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProtocolTableView)

public:
    ProtocolTableView(Competition& competition, ProtocolTableModel* model, QWidget* parent = nullptr);

    CompetitionRound round() const;
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
    // A team cell's editor is open: it writes its text when it closes.
    bool isEditingTeam() const;
    // Shows the core's current row or cell.
    void syncSelection();
    // Closes an open cell editor without writing it: the cell already holds what was typed.
    void closeCellEditor();
    // Brings rows `first` to `last` (0-based) into view when one of them is out of it. The table
    // never moves under the operator's mouse: while a button is down, or within kQuietMs of the
    // last click, it waits for that moment to pass.
    void revealRows(int first, int last);
    static constexpr int kQuietMs = 1000;

Q_SIGNALS:
    void contextMenuWanted(const QPoint& globalPos);
    void cellSelected();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A cell whose text the column cuts shows it whole as its tool tip.
    bool viewportEvent(QEvent* event) override;

private:
    void onEnter();
    // How long the table has yet to keep still for the mouse; 0 when it may move.
    int quietLeftMs() const;

    Competition& m_competition;
    ProtocolTableModel* m_model;
    ProtocolCellDelegate* m_delegate;
    bool m_syncing = false;
    bool m_buttonDown = false;
    QElapsedTimer m_lastClick;
    QTimer m_revealLater;
    std::pair<int, int> m_revealRows{-1, -1};
};

} // namespace brv
