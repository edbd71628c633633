#pragma once

#include "settings/CertificateEditor.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace brv {

// The certificate paper, 210 × 297 pixels: the template picture stretched over it and every line
// at its place, green when printed, red when not. A click places the chosen line.
class PaperPreview final : public QWidget
{
    Q_OBJECT

public:
    explicit PaperPreview(QWidget* parent = nullptr);
    void setBackground(const QImage& picture);
    void setLines(std::vector<CertificateEditor::PreviewLine> lines);

Q_SIGNALS:
    void clicked(QPoint pixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_background;
    std::vector<CertificateEditor::PreviewLine> m_lines;
};

// An editable text with a drop-down that opens a picture chooser instead of a list.
class PictureNameBox final : public QComboBox
{
    Q_OBJECT

public:
    explicit PictureNameBox(QWidget* parent = nullptr);
    std::function<QString()> choose;
    void showPopup() override;
};

// The settings dialog: contact wiring, competition options, titles, the TV monitor and the
// layout of the certificate lines. load() copies a settings record in before each showing;
// settings() gives the record the controls hold. It writes nothing itself.
class SettingsDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsDialog)

public:
    explicit SettingsDialog(QWidget* parent = nullptr);

    // Copies `settings` into the controls and prepares the showing: the port lists take
    // `portChoices` ("Kein" first), the monitor list one entry per screen size (two or more
    // screens; otherwise "nicht angeschlossen"), the certificate editors the first line with
    // `samples` as what lines 0 to 7 print.
    void load(const Settings& settings, const QStringList& portChoices, const QList<QSize>& monitors,
              const std::array<QString, 8>& samples);
    // The record with what the controls hold (after OK).
    Settings settings() const;
    // How the open contact ports run (their threads' priority, the adapters' latency), or why
    // one is not open; shown under the port lists.
    void setPortState(const QString& text);
    // OK is offered only while no heat runs: applying closes and reopens the contact ports.
    void setConfirmAllowed(bool allowed);

    // Choosers, replaceable for tests: a picture file (empty: none chosen) and a font.
    std::function<QString(const QString& caption)> choosePicture;
    std::function<std::optional<QFont>(const QFont& initial)> chooseFont;

    void accept() override;

Q_SIGNALS:
    // The bracket picture beside "Nach 1. KO-Runde:" was clicked; the list's current choice.
    void bracketSchemeWanted(int pairingChoice);
    // [F1] in the dialog: its chapter of the manual.
    void helpWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* createGeneralPart();
    QWidget* createCertificatePart();
    QWidget* createLivePart();
    void showLiveAddress();
    void onStartCheckChanged();
    void updateEventLists();
    void selectLine(int slot);
    CertificateLineFields shownFields() const;
    void showFont();
    void chooseFontForLine();
    void chooseTemplate();
    void repaintPreview();
    int paperScale() const;

    Settings m_settings;
    CertificateEditor m_editor{m_settings.certificateLayout};
    std::array<QString, 8> m_samples;
    QFont m_lineFont;
    int m_lineFontSize = 0;
    quint8 m_lineFontStyle = 0;
    quint32 m_lineFontColour = 0;
    bool m_loading = false;

    QLineEdit* m_title = nullptr;
    PictureNameBox* m_tvImage = nullptr;
    QLabel* m_monitorLabel = nullptr;
    QComboBox* m_monitor = nullptr;
    QCheckBox* m_commonStart = nullptr;
    QCheckBox* m_thirdLane = nullptr;
    std::array<QComboBox*, kContactInputCount> m_ports{};
    QLabel* m_portState = nullptr;
    QLabel* m_start2Label = nullptr;
    QLabel* m_start3Label = nullptr;
    QComboBox* m_startEvent = nullptr;
    QComboBox* m_finishEvent = nullptr;
    QLineEdit* m_classCaption = nullptr;
    QCheckBox* m_classColumn = nullptr;
    QComboBox* m_startSignal = nullptr;
    QComboBox* m_rankingMode = nullptr;
    QComboBox* m_knockoutStart = nullptr;
    QComboBox* m_pairing = nullptr;
    QLabel* m_bracketPicture = nullptr;
    QCheckBox* m_liveOn = nullptr;
    QSpinBox* m_livePort = nullptr;
    QLabel* m_liveAddress = nullptr;
    QLabel* m_liveCode = nullptr;

    QComboBox* m_line = nullptr;
    QCheckBox* m_lineOn = nullptr;
    QPushButton* m_templateButton = nullptr;
    QLineEdit* m_lineText = nullptr;
    QSpinBox* m_left = nullptr;
    QSpinBox* m_top = nullptr;
    QComboBox* m_alignment = nullptr;
    QComboBox* m_paper = nullptr;
    QPushButton* m_fontButton = nullptr;
    PaperPreview* m_preview = nullptr;
    QPushButton* m_okButton = nullptr;
};

} // namespace brv
