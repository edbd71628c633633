#pragma once

#include "printing/PrintDocument.h"

#include <QDialog>
#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QScrollArea;
class QSpinBox;

namespace brv {

// The dialogs printing asks; tests put in their own, which never block.
struct PrintDialogs
{
    // The print dialog for `printer`, pages 1 to `last` to choose from, `from` to `to` preset;
    // the range chosen comes back in them. False when cancelled.
    std::function<bool(QPrinter& printer, int last, int& from, int& to)> print;
    // The printer setup: printer, paper and orientation. False when cancelled.
    std::function<bool(QPrinter& printer)> pageSetup;
    // Where to save the PDF, `proposal` first; empty when cancelled.
    std::function<QString(const QString& proposal)> pdfFile;
    // Shows the preview until it is closed.
    std::function<void(QDialog& preview)> showPreview;
    // A failure the operator must read.
    std::function<void(const QString& message)> warn;

    // Qt's print, page setup and file dialogs over `parent`.
    static PrintDialogs standard(QWidget* parent);
};

// One page of the document at a scale, on white with a shadow.
class PageView final : public QWidget
{
    Q_OBJECT

public:
    explicit PageView(QWidget* parent = nullptr) : QWidget(parent) {}
    void setPage(const PrintDocument* document, int page, double pixelsPerUnit);
    int page() const { return m_page; }
    double pixelsPerUnit() const { return m_scale; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const PrintDocument* m_document = nullptr;
    int m_page = 0;
    double m_scale = 0.1;
};

// "Ansicht": the pages of a printout before they are printed. Each showing renders them anew
// for the printer's page; "Format:" turns the printer and renders again, so the pages follow
// the printer's page in the new orientation. "Drucken" prints every page on the printer,
// "Als PDF speichern…" writes them into a PDF file.
class PrintPreviewDialog final : public QDialog
{
    Q_OBJECT

public:
    using Renderer = std::function<void(PrintDocument&)>;

    // `printer` and `dialogs` outlive the window.
    PrintPreviewDialog(QPrinter& printer, PrintDialogs& dialogs, QWidget* parent = nullptr);

    // Renders with `render` for the printer's page and shows page 1. `pdfProposal` is the file
    // the PDF dialog proposes; `emptyText` is shown when there is no page.
    void present(Renderer render, const QString& pdfProposal, const QString& emptyText);
    const PrintDocument& document() const { return m_document; }
    PageView* pageView() const { return m_pageView; }

    enum ZoomItem { WholePage, PageWidth, PageHeight };

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void renderPages();
    void applyZoom();
    void showPage(int page);
    void print();
    void saveAsPdf();

    QPrinter& m_printer;
    PrintDialogs& m_dialogs;
    Renderer m_render;
    QString m_pdfProposal;
    PrintDocument m_document;

    QAction* m_printAction = nullptr;
    QAction* m_pdfAction = nullptr;
    QComboBox* m_zoom = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QComboBox* m_orientation = nullptr;
    QComboBox* m_paper = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    PageView* m_pageView = nullptr;
    QLabel* m_emptyText = nullptr;
};

} // namespace brv
