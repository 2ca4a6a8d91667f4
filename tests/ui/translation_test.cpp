// The window's texts in German when started with LANGUAGE=de, and in English exactly as written
// without it: CMakeLists.txt runs this test once in each environment.
#include "app/translation.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "results/file_check.h"
#include "results/file_removal.h"
#include "results/group_guard.h"
#include "results/keep_rules.h"
#include "settings/settings_error.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/notices.h"
#include "ui/result_list_view.h"
#include "ui/ui_test_support.h"

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
    QCOMPARE(MainWindow::tr("%1 moved to the Trash, %2.").arg(2).arg(3),
             text(u"2 in den Papierkorb verschoben, 3.", u"2 moved to the Trash, 3."));
    // Texts the plain layers give, translated where the window shows them.
    QCOMPARE(ui.typeList()->itemText(1), text(u"Bilder", u"Images"));
    QCOMPARE(ui.resultList()->model()->headerData(3, Qt::Horizontal).toString(), text(u"Größe", u"Size"));
    // Each box as wide as a box of its item alone would be, in the narrowest window: nothing cut off.
    window.resize(1, 1);
    test::showActive(window);
    for (QComboBox* list : {ui.sizeList(), ui.typeList(), ui.searchModeList(), ui.similarityList()}) {
      for (int item = 0; item < list->count(); ++item) {
        QComboBox alone;
        alone.setFont(list->font());
        alone.addItem(list->itemText(item));
        QVERIFY2(list->width() >= alone.sizeHint().width(), qPrintable(list->itemText(item)));
      }
    }
    // Notices results/ composes: translated part by part, with their paths and counts in place.
    const struct {
      NoticeText notice;
      const char16_t* inGerman;
      const char16_t* inEnglish;
    } notices[] = {
        {groupGuardText({4, 7}),
         u"In folgenden Gruppen sind alle Dateien ausgewählt: 4, 7.\nBitte heben Sie in jeder dieser Gruppen die "
         u"Auswahl mindestens einer Datei auf.",
         u"All files are selected in group(s): 4, 7.\nPlease clear the selection from any file in each of the above "
         u"groups."},
        {failureNotice(FileAction::Move, {{0, "/a/x", NoticeText::of(kChangedSinceSearch)}}),
         u"1 Datei wurde nicht verschoben:\n/a/x: sie wurde seit der Suche verändert",
         u"1 file was not moved:\n/a/x: it has changed since the search"},
        {cancelledNoticeText(FileAction::Trash, 2, 5),
         u"Abgebrochen: 2 von 5 ausgewählten Dateien wurden in den Papierkorb verschoben.",
         u"Cancelled: 2 of 5 selected files were moved to the trash."},
        {groupsLeftAloneText(3),
         u"3 Gruppen blieben, wie sie waren: Mehr darin auszuwählen hätte keine Kopie übrig gelassen.",
         u"3 groups were left as they were: selecting more there would have left no copy."},
        {moreListedText(25), u"\n... und 5 weitere.", u"\n... and 5 more."},
        {SettingsError(streamReadErrorText()).text(), u"Lesefehler im Datenstrom", u"Stream read error"},
        {NoticeText::of("the checksum cache %1 was not used, %2; it is made anew", "/c",
                        NoticeText::of("it is damaged")),
         u"Der Prüfsummen-Speicher /c wurde nicht verwendet, er ist beschädigt; er wird neu angelegt",
         u"the checksum cache /c was not used, it is damaged; it is made anew"},
    };
    for (const auto& notice : notices) QCOMPARE(shownNotice(notice.notice), text(notice.inGerman, notice.inEnglish));
    // A reason the search gives, in the list of files it could not compare.
    QVERIFY(
        skippedFilesText({{"/a/x", "changed since the search found it"}}, {})
            .contains(text(u"/a/x (seit die Suche sie fand geändert)", u"/a/x (changed since the search found it)")));
  }
};

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"
