#include <app/export_progress.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>

#include <algorithm>

namespace app {

namespace {
// The bar's range is an int: a long run is shown in steps of a contact or more.
int Scaled(uint64_t value, uint64_t total) {
    constexpr uint64_t kSteps = 1'000'000;
    return total <= kSteps ? int(value) : int(value * kSteps / total);
}

QString Duration(std::chrono::seconds left) {
    const auto s = left.count();
    if (s < 60) return QString("%1 s").arg(std::max<long long>(s, 1));
    if (s < 3600) return QString("%1 min").arg((s + 30) / 60);
    return QString("%1 h %2 min").arg(s / 3600).arg((s % 3600) / 60);
}
}  // namespace

std::optional<std::chrono::seconds> TimeLeft(uint64_t done, uint64_t total, std::chrono::steady_clock::duration elapsed) {
    if (done == 0 || done >= total) return std::nullopt;
    const double perContact = std::chrono::duration<double>(elapsed).count() / double(done);
    return std::chrono::seconds(static_cast<long long>(perContact * double(total - done) + 0.5));
}

QString ProgressText(uint64_t done, uint64_t total, std::optional<std::chrono::seconds> left) {
    const QLocale locale;
    QString text = QString("%1 of %2 contacts").arg(locale.toString(qulonglong(done)), locale.toString(qulonglong(total)));
    if (left) text += ", about " + Duration(*left) + " left";
    return text;
}

ExportProgress::ExportProgress(QWidget* parent)
    : QWidget(parent), bar_(new QProgressBar(this)), text_(new QLabel(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    bar_->setObjectName("progress");
    bar_->setAccessibleName("Export Progress");
    bar_->setTextVisible(false);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    text_->setObjectName("progressText");
    row->addWidget(bar_, 1);
    row->addWidget(text_);
}

void ExportProgress::Start() {
    started_ = std::chrono::steady_clock::now();
    done_ = total_ = 0;
    bar_->setRange(0, 1);
    bar_->setValue(0);
    text_->clear();
}

void ExportProgress::Show(uint64_t done, uint64_t total) {
    done_ = done;
    total_ = total;
    bar_->setRange(0, std::max(1, Scaled(total, total)));
    bar_->setValue(Scaled(std::min(done, total), total));
    text_->setText(ProgressText(done, total, TimeLeft(done, total, std::chrono::steady_clock::now() - started_)));
}

void ExportProgress::Finish() {
    if (total_ > 0) text_->setText(ProgressText(done_, total_, std::nullopt));
}

int ExportProgress::Value() const { return bar_->value(); }
int ExportProgress::Maximum() const { return bar_->maximum(); }
QString ExportProgress::Text() const { return text_->text(); }

}  // namespace app
