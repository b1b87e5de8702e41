#include <app/ferrywell_app.h>
#include <app/ferrywell_dlg.h>

#include <controls/icons.h>

#include <selection/scratch.h>

#include <QCommandLineParser>

namespace app {

CFerrywellApp::CFerrywellApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Ferrywell");
    setOrganizationName("Ferrywell");
    setWindowIcon(controls::AppIcon());
}

int CFerrywellApp::InitInstance() {
    QCommandLineParser parser;
    QCommandLineOption open("open", "", "database");
    QCommandLineOption screenshots("screenshots", "", "folder");
    open.setFlags(QCommandLineOption::HiddenFromHelp);
    screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(open);
    parser.addOption(screenshots);
    parser.process(*this);
    if (parser.isSet(screenshots)) return RunScreenshots(parser.value(open), parser.value(screenshots));

    auto state = std::make_shared<notes::FerrywellState>();
    CFerrywellDlg dlg(state);
    dlg.showMaximized();
    if (parser.isSet(open)) {
        const std::string path = parser.value(open).toStdString();
        state->strFileDir.set(path);
        state->SourceFileName.set(selection::SourceTitle(path));
        state->tempFilePath.set(selection::DefaultScratchPath(selection::SystemTempFolder()));
        dlg.StartAnalysis();
    }
    return exec();
}

}  // namespace app
