#include <app/ending_signals.h>
#include <app/ferrywell_app.h>
#include <app/ferrywell_dlg.h>
#include <app/lost_display.h>

#include <controls/icons.h>
#include <controls/remembered.h>

#include <QCommandLineParser>
#include <QFileInfo>

namespace app {

const cmdline::Program kProgramOptions{
    "ferrywell",
    R"(Usage: ferrywell [FILE]
Moves the contacts of a Lotus Notes database, read from its DXL export, into
Outlook stores (PST files, the default mail profile) and into files (MSG, HTML,
TXT, RTF, DOC, MHTML, vCard, PDF, CSV).

  FILE         open and analyse this database (a DXL export, .dxl or .nsf)
  --open FILE  the same as FILE
  --help       show this help and exit
  --version    show the version and exit

Qt's own options (-platform, -style, ...) are accepted as well.

Exit status: 0 when the user exits; 2 usage error.
)",
    {{"open", true}, {"screenshots", true}, {"platform", true}, {"platformpluginpath", true},
     {"platformtheme", true}, {"plugin", true}, {"qwindowgeometry", true}, {"qwindowicon", true},
     {"qwindowtitle", true}, {"reverse", false}, {"session", true}, {"style", true}, {"stylesheet", true},
     {"widgetcount", false}, {"display", true}, {"geometry", true}, {"title", true}, {"name", true},
     {"nograb", false}, {"dograb", false}, {"sync", false}, {"visual", true}, {"ncols", true}, {"cmap", false},
     {"qmljsdebugger", true}},
    1};

CFerrywellApp::CFerrywellApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Ferrywell");
    setOrganizationName("Ferrywell");
    setWindowIcon(controls::AppIcon());
}

StartOptions ParseStartOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    QCommandLineOption open("open", "", "database");
    QCommandLineOption screenshots("screenshots", "", "folder");
    parser.addOption(open);
    parser.addOption(screenshots);
    parser.addPositionalArgument("FILE", "");
    // Unknown options were refused before Qt started.
    parser.parse(arguments);
    StartOptions options;
    options.file = parser.isSet(open) ? parser.value(open) : parser.positionalArguments().value(0);
    if (!options.file.isEmpty()) options.file = QFileInfo(options.file).absoluteFilePath();
    options.screenshots = parser.value(screenshots);
    return options;
}

int CFerrywellApp::InitInstance() {
    const StartOptions options = ParseStartOptions(arguments());
    const QString& file = options.file;
    RemoveScratchOnEndingSignals();
    if (!options.screenshots.isEmpty()) return RunScreenshots(file, options.screenshots);

    controls::SetRemembering(true);
    auto state = std::make_shared<app::FerrywellState>();
    CFerrywellDlg dlg(state);
    if (dlg.RestoreLayout()) dlg.show();
    else dlg.showMaximized();
    if (!file.isEmpty()) dlg.OpenDatabase(file.toStdString());
    return ExecEndingCleanlyWithoutDisplay(*this);
}

}  // namespace app
