#include <app/ferrywell_app.h>

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(StartOptions, FileOrOpenAliasBecomesAbsolute) {
    const QString cwd = QDir::currentPath();
    struct Case {
        QStringList args;
        QString file, screenshots;
    } cases[] = {
        {{"ferrywell"}, "", ""},
        {{"ferrywell", "names.dxl"}, cwd + "/names.dxl", ""},
        {{"ferrywell", "/data/My Names.nsf"}, "/data/My Names.nsf", ""},
        {{"ferrywell", "--open", "sub/names.dxl"}, cwd + "/sub/names.dxl", ""},
        {{"ferrywell", "--open=/data/a.dxl"}, "/data/a.dxl", ""},
        {{"ferrywell", "/data/b.dxl", "--screenshots", "/shots"}, "/data/b.dxl", "/shots"},
        {{"ferrywell", "--", "-names.dxl"}, cwd + "/-names.dxl", ""},
    };
    for (const Case& c : cases) {
        const app::StartOptions options = app::ParseStartOptions(c.args);
        EXPECT_EQ(options.file, c.file) << c.args.join(' ').toStdString();
        EXPECT_EQ(options.screenshots, c.screenshots) << c.args.join(' ').toStdString();
    }
}

}  // namespace
