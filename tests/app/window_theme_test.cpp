// The window and its dialogs under any theme and on small or scaled screens:
// text reads on its background under a dark palette, and every window fits
// the screen it opens on. Run at scale 1 on the offscreen 800x600 screen and
// at scale 2 on a 1024x768 one.
#include "test_support.h"

#include <app/convert_notes_dialog.h>
#include <app/ferrywell_dlg.h>
#include <app/find_files_dialog.h>
#include <app/first_dialog.h>
#include <app/list_items_dialog.h>

#include <controls/screen_fit.h>
#include <controls/theme_colours.h>

#include <exporting/sink.h>
#include <notes/preview.h>

#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

using controls::Contrast;

namespace {

QPalette DarkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
    p.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    p.setColor(QPalette::Button, QColor(0x33, 0x33, 0x33));
    p.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    p.setColor(QPalette::Mid, QColor(0x55, 0x55, 0x55));
    return p;
}

// Saves a picture of widget into $FERRYWELL_SHOTS, when set, for a look.
void Keep(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("FERRYWELL_SHOTS");
    if (!folder.isEmpty()) widget.grab().save(folder + "/" + name + ".png");
}

// The share of the picture's pixels darker than middle grey.
double DarkShare(const QImage& image) {
    qint64 dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) dark += qGray(image.pixel(x, y)) < 128;
    return double(dark) / (((image.width() + 1) / 2) * ((image.height() + 1) / 2));
}

}  // namespace

class WindowThemeTest : public QObject {
    Q_OBJECT
private slots:
    void colourRules();
    void darkPaletteReads();
    void everyWindowFitsTheScreen();
};

void WindowThemeTest::colourRules() {
    QCOMPARE(Contrast(Qt::black, Qt::white), 21.0);
    // A design colour that reads stays; one that does not keeps its hue and
    // turns light on dark or dark on light.
    const QColor green(0x00, 0x99, 0x00), dark(0x1e, 0x1e, 0x1e);
    QCOMPARE(controls::Legible(green, Qt::white), green);  // the design's own green stays
    QVERIFY(Contrast(controls::Legible(QColor(0xdd, 0xff, 0xdd), Qt::white), Qt::white) >= 4.5);
    const QColor onDark = controls::Legible(QColor(0x01, 0x00, 0x00), dark);
    QVERIFY(Contrast(onDark, dark) >= 4.5);
    QCOMPARE(onDark.hslSaturation(), 0);  // near black turns grey, not red
    QCOMPARE(controls::Legible(QColor(0x66, 0x66, 0x66), Qt::white), QColor(0x66, 0x66, 0x66));
    const QColor lifted = controls::Legible(green, dark);
    QVERIFY(Contrast(lifted, dark) >= 3);
    QCOMPARE(lifted.hslHue(), green.hslHue());
    // The design's light background only under text that reads on it.
    const QColor light(245, 245, 245);
    QCOMPARE(controls::BackgroundFor(light, QPalette(Qt::black, Qt::white)), light);
    QCOMPARE(controls::BackgroundFor(light, DarkPalette()), DarkPalette().color(QPalette::Window));
    QVERIFY(controls::IsDark(DarkPalette()) && !controls::IsDark(QPalette(Qt::black, Qt::white)));
}

void WindowThemeTest::darkPaletteReads() {
    const QPalette before = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    ScriptedDialogs dialogs;
    app::CFerrywellDlg dlg(std::make_shared<app::FerrywellState>());
    dlg.SetExitHandler([](int) {});
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    // The window, its toolbar and the start page take the palette's side.
    QCOMPARE(dlg.palette().color(QPalette::Window), DarkPalette().color(QPalette::Window));
    auto* toolbar = dlg.findChild<QWidget*>("toolbar");
    const QImage bar = toolbar->grab().toImage();
    QVERIFY(Contrast(bar.pixelColor(bar.width() - 3, bar.height() / 2), DarkPalette().color(QPalette::WindowText)) >= 4.5);
    // A preview page with the design's light table comes out dark.
    QTemporaryDir dir;
    const std::string page = dir.filePath("page.html").toStdString();
    QVERIFY(notes::WritePreviewPage(page, notes::BuildPreviewPage({{1, "Jane"}, {2, "Farrow"}, {3, "Jane Farrow"}})));
    dlg.Browser().Navigate(QString::fromStdString(page));
    QVERIFY(DarkShare(dlg.Browser().viewport()->grab().toImage()) > 0.9);
    Keep(dlg, "main-window-dark");

    // Each colour of the export log reads on the log's dark base.
    app::CConvertNotes convert(dlg.State(), {});
    convert.show();
    for (uint32_t colour : {exporting::kColourProgress, exporting::kColourSkip, exporting::kColourError})
        convert.Log().AppendToLog("line", colour);
    convert.Log().Flush();
    const QColor base = convert.Log().palette().color(QPalette::Base);
    int lines = 0;
    for (QTextBlock b = convert.Log().document()->begin(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty()) continue;
        ++lines;
        QVERIFY(Contrast(b.begin().fragment().charFormat().foreground().color(), base) >= 3);
    }
    QCOMPARE(lines, 3);
    Keep(convert, "export-options-dialog-dark");
}

void WindowThemeTest::everyWindowFitsTheScreen() {
    ScriptedDialogs dialogs;
    app::FerrywellState state;
    app::CFerrywellDlg main(std::make_shared<app::FerrywellState>());
    main.SetExitHandler([](int) {});
    controls::CheckListModel rows;
    app::FirstDialog first(state);
    app::CFindFiles search(state);
    app::CConvertNotes convert(state, {});
    app::CSINGLENSFMAILSAVE list(state, rows);
    const QSize room = controls::ScreenRoom(main);
    for (QWidget* w : std::initializer_list<QWidget*>{&main, &first, &search, &convert, &list}) {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QString what = w->objectName();
        QVERIFY2(w->width() <= room.width() && w->height() <= room.height(),
                 qPrintable(what + QString(" is %1x%2").arg(w->width()).arg(w->height())));
        QVERIFY2(w->minimumSize().width() <= room.width() && w->minimumSize().height() <= room.height(), qPrintable(what));
        // Every button outside a scrolling part lies wholly inside.
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (!b->isVisibleTo(w) || b->parentWidget()->inherits("QScrollArea")) continue;
            bool scrolled = false;
            for (QWidget* p = b->parentWidget(); p != w; p = p->parentWidget()) scrolled |= p->inherits("QScrollArea");
            if (scrolled) continue;
            const QRect at(b->mapTo(w, QPoint(0, 0)), b->size());
            QVERIFY2(w->rect().contains(at), qPrintable(what + ": " + b->text()));
        }
        Keep(*w, what + "-" + QString::number(qRound(w->devicePixelRatioF())));
    }
}

QTEST_MAIN(WindowThemeTest)
#include "window_theme_test.moc"
