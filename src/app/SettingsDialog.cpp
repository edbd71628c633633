#include "app/SettingsDialog.h"

#include "app/BracketSchemeDialog.h"
#include "app/LiveAddressPanel.h"
#include "live/LiveAddress.h"
#include "timing/ContactInputs.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace brv {

namespace {

const QColor kStartGreen(0, 128, 0);
const QColor kFinishRed(255, 0, 0);
constexpr int kPaperWidth = 210;
constexpr int kPaperHeight = 297;
constexpr int kFontButtonPoints = 20;

void setTextColour(QWidget* widget, const QColor& colour)
{
    // active and inactive only: a disabled control keeps the style's grey
    QPalette p = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        p.setColor(group, QPalette::WindowText, colour);
    widget->setPalette(p);
}

QComboBox* listOf(QWidget* parent, const QStringList& entries)
{
    auto* box = new QComboBox(parent);
    box->addItems(entries);
    return box;
}

// The small picture behind an event entry: a rising edge for "Ein", a falling one otherwise.
void paintEdge(QPainter& p, QPoint at, bool rising, const QColor& colour)
{
    p.save();
    p.setPen(QPen(colour, 1.5));
    const int y0 = at.y() + (rising ? 9 : 1);
    const int y1 = at.y() + (rising ? 1 : 9);
    p.drawPolyline(QPolygon(
        {QPoint(at.x(), y0), QPoint(at.x() + 5, y0), QPoint(at.x() + 5, y1), QPoint(at.x() + 11, y1)}));
    p.restore();
}

// The event lists are drawn by the program: the entry's text one pixel in from the top left,
// the edge picture 22 pixels from the left edge; a disabled list shows only its background.
class EventItemDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        p->setPen(text);
        p->drawText(option.rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
        paintEdge(*p, option.rect.topLeft() + QPoint(22, 3), index.row() == 0, text);
    }
};

class EventBox final : public QComboBox
{
public:
    explicit EventBox(QWidget* parent) : QComboBox(parent)
    {
        addItem(QStringLiteral("Ein"));
        setItemDelegate(new EventItemDelegate(this));
        setMinimumWidth(64);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter p(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        p.drawComplexControl(QStyle::CC_ComboBox, option);
        if (!isEnabled() || currentIndex() < 0)
            return;
        const QRect field =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(field.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, currentText());
        paintEdge(p, QPoint(field.left() + 22, field.center().y() - 5), currentIndex() == 0,
                  palette().color(QPalette::Text));
    }
};

QColor certificateColour(quint32 colour, const QPalette& palette)
{
    if (certificate_colour::isSystem(colour))
        return palette.color(QPalette::WindowText);
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

QFont fontOf(const QString& name, quint8 style, int points)
{
    QFont font(name);
    font.setPointSize(std::max(1, points));
    font.setBold(style & CertificateLine::Bold);
    font.setItalic(style & CertificateLine::Italic);
    font.setUnderline(style & CertificateLine::Underline);
    font.setStrikeOut(style & CertificateLine::StrikeOut);
    return font;
}

quint8 styleOf(const QFont& font)
{
    return quint8((font.bold() ? CertificateLine::Bold : 0) | (font.italic() ? CertificateLine::Italic : 0) |
                  (font.underline() ? CertificateLine::Underline : 0) |
                  (font.strikeOut() ? CertificateLine::StrikeOut : 0));
}

// Index of a stored option value in its list; a value outside it selects nothing.
int indexOf(int value, const QComboBox* box)
{
    return value >= 0 && value < box->count() ? value : -1;
}

// The list's choice, or the stored value when nothing is selected.
int choiceOr(const QComboBox* box, int stored)
{
    return box->currentIndex() >= 0 ? box->currentIndex() : stored;
}

} // namespace

// ---------------------------------------------------------------- paper preview

PaperPreview::PaperPreview(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kPaperWidth, kPaperHeight);
    setToolTip(QStringLiteral("Seite ansicht"));
    setCursor(Qt::CrossCursor);
    // one line step of the default layout is 12 mm, 12 pixels on A4
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
}

void PaperPreview::setBackground(const QImage& picture)
{
    m_background = picture;
    update();
}

void PaperPreview::setLines(std::vector<CertificateEditor::PreviewLine> lines)
{
    m_lines = std::move(lines);
    update();
}

void PaperPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!m_background.isNull())
        p.drawImage(rect(), m_background);
    const QFontMetrics metrics(font());
    for (const CertificateEditor::PreviewLine& line : m_lines) {
        p.setPen(line.on ? kStartGreen : kFinishRed);
        p.drawText(line.at + QPoint(0, metrics.ascent()), line.text);
    }
    p.setPen(Qt::gray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PaperPreview::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT clicked(event->position().toPoint());
}

// ---------------------------------------------------------------- picture name box

PictureNameBox::PictureNameBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void PictureNameBox::showPopup()
{
    // the drop-down opens the picture chooser; the list itself stays empty
    if (!choose)
        return;
    const QString path = choose();
    if (!path.isEmpty())
        setEditText(path);
}

// ---------------------------------------------------------------- the dialog

SettingsDialog::SettingsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Einstellungen"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    choosePicture = [this](const QString& caption) {
        return QFileDialog::getOpenFileName(this, caption, {},
                                            QStringLiteral("Bilder (*.jpg *.jpeg *.png *.bmp *.gif);;"
                                                           "Alle Dateien (*)"));
    };
    chooseFont = [this](const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, initial, this, QStringLiteral("Schriftart"));
        return ok ? std::optional<QFont>(font) : std::nullopt;
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    auto* parts = new QHBoxLayout;
    parts->setSpacing(8);
    parts->addWidget(createGeneralPart());
    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(createCertificatePart(), 1);
    right->addWidget(createLivePart());
    parts->addLayout(right);
    layout->addLayout(parts);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(m_okButton);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_okButton, &QPushButton::clicked, this, &SettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SettingsDialog::reject);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(new QShortcut(Qt::Key_F1, this), &QShortcut::activated, this, &SettingsDialog::helpWanted);
}

QWidget* SettingsDialog::createLivePart()
{
    auto* group = new QGroupBox(QStringLiteral(" Live-Ergebnisse "), this);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(6, 4, 6, 4);
    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(3);
    m_liveOn = new QCheckBox(QStringLiteral("Live-Ergebnisse im Netzwerk"), group);
    m_livePort = new QSpinBox(group);
    m_livePort->setRange(1, 65535);
    m_livePort->setValue(Settings().liveResultsPort);
    m_liveAddress = new QLabel(group);
    m_liveAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_liveCode = new QLabel(group);
    // the longest address is a code of 29 + 8 modules, drawn 3 pixels each
    m_liveCode->setFixedSize(111, 111);
    m_liveCode->setAlignment(Qt::AlignCenter);
    fields->addWidget(m_liveOn, 0, 0, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Port:"), group), 1, 0);
    fields->addWidget(m_livePort, 1, 1);
    fields->addWidget(m_liveAddress, 2, 0, 1, 2);
    row->addLayout(fields, 1);
    row->addWidget(m_liveCode);
    connect(m_liveOn, &QCheckBox::toggled, this, &SettingsDialog::showLiveAddress);
    connect(m_livePort, &QSpinBox::valueChanged, this, &SettingsDialog::showLiveAddress);
    m_liveOn->setObjectName(QStringLiteral("liveOn"));
    m_livePort->setObjectName(QStringLiteral("livePort"));
    m_liveAddress->setObjectName(QStringLiteral("liveAddress"));
    m_liveCode->setObjectName(QStringLiteral("liveCode"));
    showLiveAddress();
    return group;
}

void SettingsDialog::showLiveAddress()
{
    // the address phones will open once OK has put the server into effect
    const bool on = m_liveOn->isChecked();
    const QString url = liveResultsUrl(QHostAddress::Any, quint16(m_livePort->value()));
    m_livePort->setEnabled(on);
    m_liveAddress->setText(on ? url : QStringLiteral("aus"));
    m_liveCode->setPixmap(on ? QPixmap::fromImage(qrCodePicture(url, 3)) : QPixmap());
}

QWidget* SettingsDialog::createGeneralPart()
{
    auto* part = new QWidget(this);
    auto* column = new QVBoxLayout(part);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* top = new QGridLayout;
    top->setVerticalSpacing(3);
    m_title = new QLineEdit(part);
    m_tvImage = new PictureNameBox(part);
    m_tvImage->choose = [this] { return choosePicture(QStringLiteral("TV-Titel-Bild")); };
    m_monitorLabel = new QLabel(QStringLiteral("TV/Anzeigetafel:"), part);
    m_monitor = new QComboBox(part);
    top->addWidget(new QLabel(QStringLiteral("Titel:"), part), 0, 0);
    top->addWidget(m_title, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("TV-Titel-Bild:"), part), 1, 0);
    top->addWidget(m_tvImage, 1, 1);
    top->addWidget(m_monitorLabel, 2, 0);
    top->addWidget(m_monitor, 2, 1);
    column->addLayout(top);

    auto* contacts = new QGroupBox(QStringLiteral(" USB-/COM-Kontakte "), part);
    auto* grid = new QGridLayout(contacts);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    grid->addWidget(new QLabel(QStringLiteral(" Ereignis bei: "), contacts), 0, 2, 1, 2);
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        m_ports[i] = new QComboBox(contacts);
        m_ports[i]->setObjectName(QStringLiteral("port%1").arg(i + 1));
        m_ports[i]->setMinimumWidth(110);
        connect(m_ports[i], &QComboBox::currentIndexChanged, this, &SettingsDialog::updateEventLists);
    }
    m_commonStart = new QCheckBox(QStringLiteral("Start:"), contacts);
    m_commonStart->setChecked(true);
    setTextColour(m_commonStart, kStartGreen);
    m_start2Label = new QLabel(QStringLiteral("Start 2:"), contacts);
    m_start3Label = new QLabel(QStringLiteral("Start 3:"), contacts);
    auto* finish1 = new QLabel(QStringLiteral("Ziel1:"), contacts);
    auto* finish2 = new QLabel(QStringLiteral("Ziel2:"), contacts);
    m_thirdLane = new QCheckBox(QStringLiteral("Ziel3:"), contacts);
    for (QWidget* w : {static_cast<QWidget*>(m_start2Label), static_cast<QWidget*>(m_start3Label)})
        setTextColour(w, kStartGreen);
    for (QWidget* w :
         {static_cast<QWidget*>(finish1), static_cast<QWidget*>(finish2), static_cast<QWidget*>(m_thirdLane)})
        setTextColour(w, kFinishRed);
    // rows in the order of the wiring: the starts, then the finishes
    const std::array<std::pair<QWidget*, int>, kContactInputCount> rows{{{m_commonStart, 1},
                                                                         {m_start2Label, 5},
                                                                         {m_start3Label, 6},
                                                                         {finish1, 2},
                                                                         {finish2, 3},
                                                                         {m_thirdLane, 4}}};
    for (int r = 0; r < int(rows.size()); ++r) {
        grid->addWidget(rows[std::size_t(r)].first, r + 1, 0);
        grid->addWidget(m_ports[std::size_t(rows[std::size_t(r)].second - 1)], r + 1, 1);
    }
    m_startEvent = new EventBox(contacts);
    m_finishEvent = new EventBox(contacts);
    grid->addWidget(new QLabel(QStringLiteral("Start:"), contacts), 1, 2);
    grid->addWidget(m_startEvent, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Ziel:"), contacts), 4, 2);
    grid->addWidget(m_finishEvent, 4, 3);
    m_startEvent->setEnabled(false);
    m_finishEvent->setEnabled(false);
    connect(m_commonStart, &QCheckBox::toggled, this, &SettingsDialog::onStartCheckChanged);
    onStartCheckChanged();
    m_portState = new QLabel(contacts);
    m_portState->setObjectName(QStringLiteral("portState"));
    m_portState->setWordWrap(true);
    m_portState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_portState, int(rows.size()) + 1, 0, 1, 4);
    column->addWidget(contacts);

    auto* options = new QGridLayout;
    options->setVerticalSpacing(3);
    m_classCaption = new QLineEdit(QStringLiteral("Klasse"), part);
    m_classColumn = new QCheckBox(part);
    m_startSignal = listOf(part, {QStringLiteral("Kontakt"), QStringLiteral("Audio")});
    m_rankingMode = listOf(part, {QStringLiteral("Beste Summe"), QStringLiteral("Beste Zeit")});
    m_knockoutStart =
        listOf(part, {QStringLiteral("16 - Achtelfinale"), QStringLiteral("8 - Viertelfinale")});
    m_pairing = listOf(part, {QStringLiteral("nach Platz"), QStringLiteral("Win+Win")});
    m_bracketPicture = new QLabel(part);
    m_bracketPicture->setCursor(Qt::PointingHandCursor);
    m_bracketPicture->setToolTip(QStringLiteral("KO-Schema"));
    m_bracketPicture->installEventFilter(this);
    auto showPairing = [this] {
        const int choice = m_pairing->currentIndex();
        if (choice == 0 || choice == 1)
            m_bracketPicture->setPixmap(QPixmap::fromImage(BracketSchemeDialog::bracketPicture(choice).scaled(
                50, 47, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    };
    connect(m_pairing, &QComboBox::currentIndexChanged, this, showPairing);
    showPairing();
    auto* classRow = new QHBoxLayout;
    classRow->addWidget(m_classCaption);
    classRow->addWidget(m_classColumn);
    const std::array<std::pair<QString, QWidget*>, 4> lists{
        {{QStringLiteral("Start nach:"), m_startSignal},
         {QStringLiteral("\"Q\" nach:"), m_rankingMode},
         {QStringLiteral("Qualifikation:"), m_knockoutStart},
         {QStringLiteral("Nach 1. KO-Runde:"), m_pairing}}};
    options->addWidget(new QLabel(QStringLiteral("Spalte:"), part), 0, 0);
    options->addLayout(classRow, 0, 1);
    for (int r = 0; r < int(lists.size()); ++r) {
        options->addWidget(new QLabel(lists[std::size_t(r)].first, part), r + 1, 0);
        options->addWidget(lists[std::size_t(r)].second, r + 1, 1);
    }
    options->addWidget(m_bracketPicture, 3, 2, 2, 1, Qt::AlignBottom);
    column->addLayout(options);
    column->addStretch();

    const std::array<std::pair<QWidget*, const char*>, 13> named{{
        {m_title, "title"},
        {m_tvImage, "tvTitleImage"},
        {m_monitor, "monitor"},
        {m_commonStart, "commonStart"},
        {m_thirdLane, "thirdLane"},
        {m_startEvent, "startEvent"},
        {m_finishEvent, "finishEvent"},
        {m_classCaption, "classCaption"},
        {m_classColumn, "classColumn"},
        {m_startSignal, "startSignal"},
        {m_rankingMode, "rankingMode"},
        {m_knockoutStart, "knockoutStart"},
        {m_pairing, "pairing"},
    }};
    for (const auto& [widget, name] : named)
        widget->setObjectName(QLatin1StringView(name));
    m_bracketPicture->setObjectName(QStringLiteral("bracketPicture"));
    return part;
}

QWidget* SettingsDialog::createCertificatePart()
{
    auto* group = new QGroupBox(QStringLiteral(" Urkunde "), this);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(6, 4, 6, 6);
    auto* editors = new QGridLayout;
    editors->setVerticalSpacing(3);
    m_line = new QComboBox(group);
    for (int slot = 0; slot < CertificateLayout::kLineCount; ++slot)
        m_line->addItem(certificate_text::caption(slot, QStringLiteral("Klasse")));
    m_lineOn = new QCheckBox(group);
    m_templateButton = new QPushButton(QStringLiteral("Vorlage"), group);
    m_lineText = new QLineEdit(group);
    m_lineText->setMaxLength(CertificateLayout::kMaxTextLength);
    m_left = new QSpinBox(group);
    m_top = new QSpinBox(group);
    for (QSpinBox* box : {m_left, m_top}) {
        box->setRange(0, 999);
        box->setSuffix(QStringLiteral(" mm"));
    }
    m_alignment =
        listOf(group, {QStringLiteral("Links"), QStringLiteral("Zentriert"), QStringLiteral("Rechts")});
    m_paper = listOf(group, {QStringLiteral("A4"), QStringLiteral("A3")});
    m_fontButton = new QPushButton(QStringLiteral("Schriftart"), group);
    m_fontButton->setMinimumHeight(44);
    m_preview = new PaperPreview(group);

    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(m_line, 1);
    lineRow->addWidget(m_lineOn);
    editors->addLayout(lineRow, 0, 0, 1, 2);
    editors->addWidget(m_templateButton, 1, 0, 1, 2);
    const std::array<std::pair<QString, QWidget*>, 5> labelled{{{QStringLiteral("Zeile:"), m_lineText},
                                                                {QStringLiteral("Links:"), m_left},
                                                                {QStringLiteral("Oben:"), m_top},
                                                                {QStringLiteral("Ausrichtung:"), m_alignment},
                                                                {QStringLiteral("Papier:"), m_paper}}};
    for (int r = 0; r < int(labelled.size()); ++r) {
        editors->addWidget(new QLabel(labelled[std::size_t(r)].first, group), r + 2, 0);
        editors->addWidget(labelled[std::size_t(r)].second, r + 2, 1);
    }
    editors->addWidget(m_fontButton, 7, 0, 1, 2);
    editors->setRowStretch(8, 1);
    m_lineText->setMinimumWidth(150);
    row->addLayout(editors);
    row->addWidget(m_preview, 0, Qt::AlignTop);

    connect(m_line, &QComboBox::currentIndexChanged, this, &SettingsDialog::selectLine);
    connect(m_lineOn, &QCheckBox::clicked, this, [this](bool on) {
        if (m_line->currentIndex() >= 0)
            m_editor.setOn(m_line->currentIndex(), on);
        repaintPreview();
    });
    connect(m_alignment, &QComboBox::currentIndexChanged, this, [this](int alignment) {
        if (!m_loading && m_line->currentIndex() >= 0 && alignment >= 0)
            m_editor.setAlignment(m_line->currentIndex(), alignment);
        repaintPreview();
    });
    for (QSpinBox* box : {m_left, m_top})
        connect(box, &QSpinBox::valueChanged, this, &SettingsDialog::repaintPreview);
    connect(m_paper, &QComboBox::currentIndexChanged, this, &SettingsDialog::repaintPreview);
    connect(m_lineText, &QLineEdit::textEdited, this, &SettingsDialog::repaintPreview);
    connect(m_preview, &PaperPreview::clicked, this, [this](QPoint pixel) {
        const QPoint mm = CertificateEditor::millimetresAt(pixel, paperScale());
        m_left->setValue(mm.x());
        m_top->setValue(mm.y());
    });
    connect(m_fontButton, &QPushButton::clicked, this, &SettingsDialog::chooseFontForLine);
    connect(m_templateButton, &QPushButton::clicked, this, &SettingsDialog::chooseTemplate);

    const std::array<std::pair<QWidget*, const char*>, 10> named{{
        {m_line, "certificateLine"},
        {m_lineOn, "lineOn"},
        {m_templateButton, "templateButton"},
        {m_lineText, "lineText"},
        {m_left, "lineLeft"},
        {m_top, "lineTop"},
        {m_alignment, "lineAlignment"},
        {m_paper, "paper"},
        {m_fontButton, "fontButton"},
        {m_preview, "paperPreview"},
    }};
    for (const auto& [widget, name] : named)
        widget->setObjectName(QLatin1StringView(name));
    return group;
}

void SettingsDialog::load(const Settings& settings, const QStringList& portChoices,
                          const QList<QSize>& monitors, const std::array<QString, 8>& samples)
{
    m_loading = true;
    m_settings = settings;
    m_samples = samples;

    // the port lists are built anew at each showing: an adapter plugged in since appears
    const ContactInputs inputs = contactInputsOf(settings);
    for (int n = 1; n <= kContactInputCount; ++n) {
        QComboBox* box = m_ports[std::size_t(n - 1)];
        const QSignalBlocker block(box);
        box->clear();
        box->addItems(portChoices.isEmpty() ? QStringList{QStringLiteral("Kein")} : portChoices);
        box->setCurrentIndex(std::max(0, box->findText(portChoiceText(inputs[n].port, inputs[n].line))));
    }
    m_startEvent->setCurrentIndex(indexOf(settings.inputEdge[1], m_startEvent));
    m_finishEvent->setCurrentIndex(indexOf(settings.inputEdge[2], m_finishEvent));
    m_classColumn->setChecked(settings.classColumnShown);
    m_classCaption->setText(settings.classColumnCaption);
    m_rankingMode->setCurrentIndex(indexOf(int(settings.rankingMode), m_rankingMode));
    m_startSignal->setCurrentIndex(indexOf(int(settings.startSignal), m_startSignal));
    m_knockoutStart->setCurrentIndex(indexOf(int(settings.knockoutStart), m_knockoutStart));
    m_templateButton->setToolTip(settings.certificateTemplate);
    m_thirdLane->setChecked(settings.thirdLaneOn);
    m_title->setText(settings.competitionTitle);
    m_tvImage->setEditText(settings.tvTitleImage);
    m_pairing->setCurrentIndex(indexOf(int(settings.pairing), m_pairing));
    // the start rule runs when the box changes
    m_commonStart->setChecked(settings.commonStart);
    m_liveOn->setChecked(settings.liveResultsOn);
    m_livePort->setValue(settings.liveResultsPort);
    showLiveAddress();

    // what the showing prepares
    const QString templatePath = settings.certificateTemplate;
    if (!templatePath.isEmpty() && QFileInfo::exists(templatePath)) {
        const QImage picture(templatePath);
        if (!picture.isNull())
            m_preview->setBackground(picture);
    }
    const bool several = monitors.size() > 1;
    m_monitor->clear();
    m_monitor->setEnabled(several);
    m_monitorLabel->setEnabled(several);
    if (several) {
        for (int i = 0; i < monitors.size(); ++i)
            m_monitor->addItem(
                QStringLiteral("%1=%2x%3").arg(i + 1).arg(monitors[i].width()).arg(monitors[i].height()));
        m_monitor->setCurrentIndex(settings.tvMonitor < monitors.size() ? settings.tvMonitor : -1);
    } else {
        m_monitor->addItem(QStringLiteral("nicht angeschlossen"));
        m_monitor->setCurrentIndex(0);
    }
    const bool portsUsable = m_ports[0]->count() > 1;
    for (int n = 1; n <= 4; ++n)
        m_ports[std::size_t(n - 1)]->setEnabled(portsUsable);
    m_line->setItemText(2, settings.classColumnCaption);
    m_loading = false;

    m_editor.forget();
    selectLine(m_line->currentIndex());
    updateEventLists();
    m_okButton->setText(QStringLiteral("OK"));
}

Settings SettingsDialog::settings() const
{
    Settings s = m_settings;
    s.pairing = Pairing(choiceOr(m_pairing, int(s.pairing)));
    if (m_monitor->isEnabled())
        s.tvMonitor = m_monitor->currentIndex();
    s.rankingMode = RankingMode(choiceOr(m_rankingMode, int(s.rankingMode)));
    s.startSignal = StartSignal(choiceOr(m_startSignal, int(s.startSignal)));
    s.thirdLaneOn = m_thirdLane->isChecked();
    s.commonStart = m_commonStart->isChecked();
    s.knockoutStart = KnockoutStart(choiceOr(m_knockoutStart, int(s.knockoutStart)));
    s.classColumnCaption = m_classCaption->text();
    s.certificateTemplate = m_templateButton->toolTip();
    s.competitionTitle = m_title->text();
    s.tvTitleImage = m_tvImage->currentText();
    s.classColumnShown = m_classColumn->isChecked();
    s.liveResultsOn = m_liveOn->isChecked();
    s.liveResultsPort = m_livePort->value();

    std::array<QString, kContactInputCount> entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = m_ports[i]->currentText();
    takeContactInputs(s, inputsFromChoices(entries, choiceOr(m_startEvent, s.inputEdge[1]),
                                           choiceOr(m_finishEvent, s.inputEdge[2]), contactInputsOf(s)));
    return s;
}

void SettingsDialog::setPortState(const QString& text)
{
    m_portState->setText(text);
}

void SettingsDialog::setConfirmAllowed(bool allowed)
{
    m_okButton->setEnabled(allowed);
    m_okButton->setToolTip(allowed ? QString() : QStringLiteral("Erst nach dem Lauf"));
}

void SettingsDialog::accept()
{
    if (!m_okButton->isEnabled())
        return; // Enter while a heat runs
    // the editors go into the line they show
    selectLine(m_line->currentIndex());
    QDialog::accept();
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_bracketPicture && event->type() == QEvent::MouseButtonPress) {
        Q_EMIT bracketSchemeWanted(m_pairing->currentIndex());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::onStartCheckChanged()
{
    const bool common = m_commonStart->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_ports[4], m_ports[5], m_start2Label, m_start3Label})
        w->setEnabled(!common);
    if (common) {
        m_ports[4]->setCurrentIndex(0);
        m_ports[5]->setCurrentIndex(0);
    }
}

void SettingsDialog::updateEventLists()
{
    m_startEvent->setEnabled(m_ports[0]->currentIndex() > 0);
    m_finishEvent->setEnabled(m_ports[1]->currentIndex() > 0);
}

CertificateLineFields SettingsDialog::shownFields() const
{
    CertificateLineFields f;
    f.on = m_lineOn->isChecked();
    f.alignment = std::max(0, m_alignment->currentIndex());
    f.left = m_left->value();
    f.top = m_top->value();
    f.fontName = m_lineFont.family();
    f.fontStyle = m_lineFontStyle;
    f.fontColour = m_lineFontColour;
    f.fontSize = m_lineFontSize;
    f.text = m_lineText->text();
    return f;
}

void SettingsDialog::selectLine(int slot)
{
    const CertificateEditor::Selection s = m_editor.select(slot, shownFields(), m_samples);
    if (slot < 0)
        return;
    const bool wasLoading = m_loading;
    m_loading = true;
    const CertificateLineFields& f = s.fields;
    m_lineFont = fontOf(f.fontName, f.fontStyle, kFontButtonPoints);
    m_lineFontStyle = f.fontStyle;
    m_lineFontColour = f.fontColour;
    m_lineFontSize = f.fontSize;
    showFont();
    m_lineText->setText(f.text);
    m_lineText->setPlaceholderText(s.placeholder);
    m_lineOn->setChecked(f.on);
    m_alignment->setCurrentIndex(std::clamp(f.alignment, 0, 2));
    m_left->setValue(f.left);
    m_top->setValue(f.top);
    m_lineText->setEnabled(s.textEnabled);
    if (s.focusText)
        m_lineText->setFocus();
    m_loading = wasLoading;
    repaintPreview();
}

void SettingsDialog::showFont()
{
    m_fontButton->setFont(m_lineFont);
    QPalette p = m_fontButton->palette();
    p.setColor(QPalette::ButtonText, certificateColour(m_lineFontColour, palette()));
    m_fontButton->setPalette(p);
    m_fontButton->setToolTip(QStringLiteral("%1, %2 pt").arg(m_lineFont.family()).arg(m_lineFontSize));
}

void SettingsDialog::chooseFontForLine()
{
    QFont initial = m_lineFont;
    initial.setPointSize(std::max(1, m_lineFontSize));
    const std::optional<QFont> chosen = chooseFont(initial);
    if (!chosen)
        return;
    // the button shows the face and style at its own size and keeps the chosen size apart
    m_lineFontSize = chosen->pointSize();
    m_lineFontStyle = styleOf(*chosen);
    m_lineFont = fontOf(chosen->family(), m_lineFontStyle, kFontButtonPoints);
    showFont();
}

void SettingsDialog::chooseTemplate()
{
    const QString path = choosePicture(QStringLiteral("Vorlage der Urkunde"));
    if (path.isEmpty())
        return;
    m_templateButton->setToolTip(path);
    const QImage picture(path);
    if (!picture.isNull())
        m_preview->setBackground(picture);
    repaintPreview();
}

int SettingsDialog::paperScale() const
{
    return m_paper->currentIndex() == 1 ? 2 : 1;
}

void SettingsDialog::repaintPreview()
{
    if (m_loading)
        return;
    const QFontMetrics metrics(m_preview->font());
    m_preview->setLines(
        m_editor.preview(m_line->itemText(2), m_line->currentIndex(), shownFields(), paperScale(),
                         [&metrics](const QString& text) { return metrics.horizontalAdvance(text); }));
}

} // namespace brv
