// The window's texts in German when started with LANGUAGE=de, and in English exactly as written
// without it: CMakeLists.txt runs this test once in each environment.
#include "app/translation.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"

using namespace pelimor;

class TranslationTest : public QObject {
  Q_OBJECT

 private slots:
  void windowSpeaksTheSystemsLanguage() {
    const bool german = qEnvironmentVariable("LANGUAGE") == u"de";
    const QString installed = installTranslation(QStringLiteral(PELIMOR_TRANSLATIONS_FOLDER));
    QCOMPARE(installed.isEmpty(), !german);
    const auto text = [german](const char16_t* inGerman, const char16_t* inEnglish) {
      return QString::fromUtf16(german ? inGerman : inEnglish);
    };
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.addSourceButton()->text(), text(u"Hinzufügen", u"Add"));
    QCOMPARE(window.findChild<QAction*>(QStringLiteral("searchAction"))->text(), text(u"Suchen", u"Search"));
    QCOMPARE(ui.undoEntry()->text(), text(u"Verschieben rückgängig machen", u"Undo Move"));
    // Texts the plain layers give, translated where the window shows them.
    QCOMPARE(ui.typeList()->itemText(1), text(u"Bilder", u"Images"));
    QCOMPARE(ui.resultList()->model()->headerData(3, Qt::Horizontal).toString(), text(u"Größe", u"Size"));
  }
};

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"
