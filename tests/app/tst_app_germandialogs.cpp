#include "app/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace brv;

// Qt's own dialogs speak German, whatever language the system is set to.
class TestGermanDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(installGermanQtTranslations(*qApp)); }
    void questionButtons();
    void fileDialogLabels();
};

void TestGermanDialogs::questionButtons()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Datei"), QStringLiteral("Ersetzen?"),
                    QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
}

void TestGermanDialogs::fileDialogLabels()
{
    QFileDialog dialog(nullptr, QStringLiteral("Speichern"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY2(labels.contains(QStringLiteral("Suchen in:")), qPrintable(labels.join(QLatin1Char('|'))));
    QVERIFY2(!labels.contains(QStringLiteral("Look in:")), qPrintable(labels.join(QLatin1Char('|'))));
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
}

QTEST_MAIN(TestGermanDialogs)
#include "tst_app_germandialogs.moc"
