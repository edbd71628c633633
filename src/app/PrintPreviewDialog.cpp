#include "app/PrintPreviewDialog.h"

#include "files/AtomicFile.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace brv {

namespace {

// the grey around the page
constexpr int kPad = 12;

} // namespace

PrintDialogs PrintDialogs::standard(QWidget* parent)
{
    PrintDialogs d;
    d.print = [parent](QPrinter& printer, int last, int& from, int& to) {
        QPrintDialog dialog(&printer, parent);
        dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile);
        dialog.setMinMax(1, last);
        dialog.setFromTo(from, to);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        if (printer.printRange() == QPrinter::PageRange) {
            from = printer.fromPage();
            to = printer.toPage();
        }
        return true;
    };
    d.pageSetup = [parent](QPrinter& printer) {
        QPageSetupDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    d.pdfFile = [parent](const QString& proposal) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Als PDF speichern"), proposal,
                                            QStringLiteral("PDF-Dokument (*.pdf)"));
    };
    d.showPreview = [](QDialog& preview) { preview.exec(); };
    d.warn = [parent](const QString& message) {
        QMessageBox::warning(parent, QStringLiteral("Ansicht"), message);
    };
    return d;
}

// ---------------------------------------------------------------- PageView

void PageView::setPage(const PrintDocument* document, int page, double pixelsPerUnit)
{
    m_document = document;
    m_page = page;
    m_scale = pixelsPerUnit;
    resize(sizeHint());
    update();
}

QSize PageView::sizeHint() const
{
    if (!m_document)
        return {};
    const QSize page = m_document->pageSize();
    return QSize(int(page.width() * m_scale), int(page.height() * m_scale)) + QSize(2 * kPad, 2 * kPad);
}

void PageView::paintEvent(QPaintEvent*)
{
    if (!m_document || m_page >= m_document->pageCount())
        return;
    QPainter p(this);
    const QRect paper(kPad, kPad, width() - 2 * kPad, height() - 2 * kPad);
    p.fillRect(paper.translated(3, 3), QColor(0x60, 0x60, 0x60));
    p.fillRect(paper, Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setClipRect(paper);
    p.translate(kPad, kPad);
    p.scale(m_scale, m_scale);
    m_document->paintPage(p, m_page);
}

// ---------------------------------------------------------------- PrintPreviewDialog

PrintPreviewDialog::PrintPreviewDialog(QPrinter& printer, PrintDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_dialogs(dialogs)
{
    setWindowTitle(QStringLiteral("Ansicht"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QToolBar(this);
    m_printAction = bar->addAction(QStringLiteral("Drucken"), this, &PrintPreviewDialog::print);
    m_pdfAction = bar->addAction(QStringLiteral("Als PDF speichern…"), this, &PrintPreviewDialog::saveAsPdf);
    auto addBox = [this, bar](const QString& label, QWidget* box, const char* name) {
        box->setObjectName(QLatin1StringView(name));
        bar->addSeparator();
        QAction* labelAction = bar->addWidget(new QLabel(label + QLatin1Char(' '), bar));
        QAction* boxAction = bar->addWidget(box);
        return std::pair{labelAction, boxAction};
    };
    m_zoom = new QComboBox(bar);
    m_zoom->addItems({QStringLiteral("Ganze Seite"), QStringLiteral("Seitenbreite"),
                      QStringLiteral("Seitenhohe"), QStringLiteral("25%"), QStringLiteral("50%"),
                      QStringLiteral("75%"), QStringLiteral("100%"), QStringLiteral("200%")});
    addBox(QStringLiteral("Zoom:"), m_zoom, "zoom");
    m_pageBox = new QSpinBox(bar);
    addBox(QStringLiteral("Urkunde:"), m_pageBox, "page");
    m_orientation = new QComboBox(bar);
    m_orientation->addItems({QStringLiteral("Hoch"), QStringLiteral("Quer")});
    addBox(QStringLiteral("Format:"), m_orientation, "orientation");
    // the paper follows the printer; its box is kept for printers that offer no choice
    m_paper = new QComboBox(bar);
    m_paper->addItems({QStringLiteral("A4"), QStringLiteral("A3")});
    const auto [paperLabel, paperBox] = addBox(QStringLiteral("Papier:"), m_paper, "paper");
    paperLabel->setVisible(false);
    paperBox->setVisible(false);
    layout->addWidget(bar);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setAlignment(Qt::AlignCenter);
    m_scrollArea->setBackgroundRole(QPalette::Dark);
    m_pageView = new PageView;
    m_scrollArea->setWidget(m_pageView);
    m_emptyText = new QLabel(this);
    m_emptyText->setAlignment(Qt::AlignCenter);
    m_emptyText->setWordWrap(true);
    m_emptyText->setObjectName(QStringLiteral("emptyText"));
    m_emptyText->hide();
    layout->addWidget(m_scrollArea, 1);
    layout->addWidget(m_emptyText, 1);

    connect(m_zoom, &QComboBox::currentIndexChanged, this, &PrintPreviewDialog::applyZoom);
    connect(m_pageBox, &QSpinBox::valueChanged, this, &PrintPreviewDialog::showPage);
    connect(m_orientation, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_printer.setPageOrientation(index == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
        renderPages();
    });
    connect(m_paper, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_printer.setPageSize(QPageSize(index == 1 ? QPageSize::A3 : QPageSize::A4));
        renderPages();
    });

    // the middle half of the screen, as high as its work area
    if (const QScreen* s = screen()) {
        const QRect full = s->geometry();
        const QRect work = s->availableGeometry();
        setGeometry(full.left() + full.width() / 4, work.top(), full.width() / 2, work.height());
    }
}

void PrintPreviewDialog::present(Renderer render, const QString& pdfProposal, const QString& emptyText)
{
    m_render = std::move(render);
    m_pdfProposal = pdfProposal;
    m_emptyText->setText(emptyText);
    const QSignalBlocker blocker(m_orientation);
    m_orientation->setCurrentIndex(m_printer.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0);
    renderPages();
}

void PrintPreviewDialog::renderPages()
{
    m_document = PrintDocument(m_printer.pageLayout());
    if (m_render)
        m_render(m_document);
    const int count = m_document.pageCount();
    {
        const QSignalBlocker blocker(m_pageBox);
        m_pageBox->setRange(1, std::max(1, count));
        m_pageBox->setValue(1);
    }
    m_pageBox->setEnabled(count > 1);
    m_printAction->setEnabled(count > 0);
    m_pdfAction->setEnabled(count > 0);
    m_scrollArea->setVisible(count > 0);
    m_emptyText->setVisible(count == 0);
    applyZoom();
}

void PrintPreviewDialog::applyZoom()
{
    const QSize page = m_document.pageSize();
    if (page.isEmpty())
        return;
    // the room the page has; the scroll bar takes its width from the side it scrolls
    const QSize room = m_scrollArea->maximumViewportSize() - QSize(2 * kPad, 2 * kPad);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const double toWidth = std::max(1, room.width() - bar) / double(page.width());
    const double toHeight = std::max(1, room.height() - bar) / double(page.height());
    double scale = 0;
    switch (m_zoom->currentIndex()) {
    case WholePage:
        scale = std::min(std::max(1, room.width()) / double(page.width()),
                         std::max(1, room.height()) / double(page.height()));
        break;
    case PageWidth:
        scale = toWidth;
        break;
    case PageHeight:
        scale = toHeight;
        break;
    default:
        scale = logicalDpiX() / 254.0 * m_zoom->currentText().chopped(1).toInt() / 100.0;
        break;
    }
    m_pageView->setPage(&m_document, m_pageBox->value() - 1, scale);
}

void PrintPreviewDialog::showPage(int page)
{
    m_pageView->setPage(&m_document, page - 1, m_pageView->pixelsPerUnit());
}

void PrintPreviewDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    applyZoom();
}

void PrintPreviewDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    applyZoom();
}

void PrintPreviewDialog::print()
{
    // the pages are the printout: a range chosen in the print dialog was applied in rendering
    m_printer.setPrintRange(QPrinter::AllPages);
    m_document.print(m_printer);
}

void PrintPreviewDialog::saveAsPdf()
{
    const QString path = m_dialogs.pdfFile(m_pdfProposal);
    if (path.isEmpty())
        return;
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QString error;
    if (!m_document.writePdf(&pdf))
        error = QStringLiteral("PDF nicht erzeugt");
    else if (writeFileAtomically(path, pdf.data(), &error))
        return;
    m_dialogs.warn(writeErrorMessage(path, error));
}

} // namespace brv
