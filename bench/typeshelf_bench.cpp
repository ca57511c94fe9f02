// SPDX-License-Identifier: MIT
// Measures Typeshelf on whatever fonts fontconfig offers; run_bench.py points it at a corpus.
//
//   typeshelf_bench startup [--bare]   ms from process start to the view's first paint, then
//                                      how many lines were laid out once start-up settled
//   typeshelf_bench fontdb             ms Qt takes to list the families the first time
//   typeshelf_bench fill REPEAT        ms of the catalogue's own listing of the families, then
//                                      median ms of ListFontFamilies
//   typeshelf_bench highlight REPEAT   median ms of one highlight near the top, middle, end
//   typeshelf_bench paging             median and worst ms of one Page Down, repaint included,
//                                      and resident memory before, halfway through and after
//   typeshelf_bench page               ms of the first paint of a full page of the installed
//                                      families (repeated to fill it), faces loaded and drawn
//   typeshelf_bench find FAMILIES      median and worst ms of a keystroke typed to find a
//                                      family among that many names, repaint included
//   typeshelf_bench zoom               median and worst ms of one zoom step, repaint included
//   typeshelf_bench refresh FOLDER N   median ms of listing the families again after a font
//                                      is added to FOLDER, repaint included, N times, and
//                                      resident memory after the first and the last
//
// Results are printed as "name=value" lines; peak resident memory ends every run.

#include "font_catalogue/modfonthelper.h"
#include "fonts/fontwatch.h"
#include "main_window/frmmain.h"
#include "main_window/interfacefont.h"
#include "view/richtextbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const QString Sentence = QString(frmMain::DefaultExampleText);

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void report(const char *name, double value)
{
    std::printf("%s=%.3f\n", name, value);
}

// A figure of /proc/self/status in MiB: VmHWM is the peak resident memory, VmRSS the current.
double statusMegabytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').constFirst().toDouble() / 1024;
    }
    return 0;
}

double millisecondsSince(qint64 monotonicNanoseconds)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return double(std::chrono::nanoseconds(now).count() - monotonicNanoseconds) / 1e6;
}

// Counts the paints that reach a widget.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

RichTextBox &viewOf(frmMain &window)
{
    return *window.findChild<RichTextBox *>();
}

void send(QWidget *target, QEvent::Type type, Qt::Key key)
{
    QKeyEvent event(type, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void settle(QWidget &window, int milliseconds = 300)
{
    window.show();
    QElapsedTimer settled;
    settled.start();
    while (settled.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// ms from a key's press to the view's next paint, its release included.
double timedKey(RichTextBox &view, const PaintWatch &watch, QKeyCombination key)
{
    const int paintsBefore = watch.paints;
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers());
    QCoreApplication::sendEvent(&view, &press);
    QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers());
    QCoreApplication::sendEvent(&view, &release);
    while (watch.paints == paintsBefore)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return timer.nsecsElapsed() / 1e6;
}

void reportTimes(const char *median, const char *worst, const std::vector<double> &times)
{
    report(median, ::median(times));
    report(worst, times.empty() ? 0 : *std::max_element(times.begin(), times.end()));
}

// The start of a process as the driver saw it, or this process's own start if run by hand.
qint64 processStart()
{
    bool ok = false;
    const qint64 start = qEnvironmentVariable("TYPESHELF_BENCH_T0").toLongLong(&ok);
    return ok ? start : std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Laying out a line loads its face; only the lines on screen should need one.
void reportLaidOutLines(const RichTextBox &view)
{
    report("laid_out_lines", view.LaidOutLines());
    report("shown_lines", std::min(view.LineCount(), view.viewport()->height() / view.LineRect(0).height() + 1));
}

int startup(QApplication &app, bool bare, qint64 start)
{
    std::unique_ptr<QWidget> window;
    RichTextBox *view = nullptr;
    if (bare) {
        auto bareView = std::make_unique<RichTextBox>();
        bareView->resize(630, 213);
        view = bareView.get();
        window = std::move(bareView);
    } else {
        ResolveApplicationFontFamily();
        auto main = std::make_unique<frmMain>();
        view = &viewOf(*main);
        window = std::move(main);
    }
    PaintWatch watch(view->viewport());
    window->show();
    while (watch.paints == 0)
        app.processEvents(QEventLoop::WaitForMoreEvents);
    report("first_paint_ms", millisecondsSince(start));

    if (!bare) {
        settle(*window);
        reportLaidOutLines(*view);
    }
    return 0;
}

// Qt's own cost of knowing the installed families, whatever the program does with them.
int fontDatabase()
{
    QElapsedTimer timer;
    timer.start();
    const QStringList families = QFontDatabase::families();
    report("fontdb_ms", timer.nsecsElapsed() / 1e6);
    report("families", families.size());
    return 0;
}

int fill(int repeat)
{
    // First, so that it pays for loading fontconfig's caches as Qt's first listing does.
    QElapsedTimer listing;
    listing.start();
    const QStringList families = modFontHelper::SystemFonts().families;
    report("listing_ms", listing.nsecsElapsed() / 1e6);
    ResolveApplicationFontFamily();
    std::vector<double> times;
    for (int run = 0; run < repeat; ++run) {
        RichTextBox view;
        QElapsedTimer timer;
        timer.start();
        modFontHelper::ListFontFamilies(view, Sentence, [&] { return families; });
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    report("families", families.size());
    report("fill_ms", median(times));
    return 0;
}

int highlight(int repeat)
{
    ResolveApplicationFontFamily();
    frmMain window;
    RichTextBox &view = viewOf(window);
    settle(window);
    const int lines = view.LineCount();

    const std::pair<const char *, int> places[] = {
        {"highlight_top_ms", 1}, {"highlight_middle_ms", lines / 2}, {"highlight_end_ms", lines - 3}};
    for (const auto &[name, line] : places) {
        view.verticalScrollBar()->setValue(std::max(0, line - 5));
        view.SetSelStart(view.Model().lineStart(line));
        std::vector<double> times;
        for (int run = 0; run < repeat; ++run) {
            // Alternate between two lines, so that every run moves the highlight.
            send(&view, QEvent::KeyPress, run % 2 ? Qt::Key_Up : Qt::Key_Down);
            QElapsedTimer timer;
            timer.start();
            send(&view, QEvent::KeyRelease, run % 2 ? Qt::Key_Up : Qt::Key_Down);
            times.push_back(timer.nsecsElapsed() / 1e6);
            QCoreApplication::processEvents();
        }
        report(name, median(times));
    }
    return 0;
}

int paging()
{
    ResolveApplicationFontFamily();
    frmMain window;
    RichTextBox &view = viewOf(window);
    settle(window);
    PaintWatch watch(view.viewport());

    std::vector<double> times;
    const int last = view.LineCount() - 1;
    report("paging_rss_start_mb", statusMegabytes("VmRSS"));
    bool halfway = false;
    while (view.CaretLine() < last) {
        if (!halfway && view.CaretLine() >= last / 2) {
            halfway = true;
            report("paging_rss_middle_mb", statusMegabytes("VmRSS"));
        }
        times.push_back(timedKey(view, watch, QKeyCombination(Qt::Key_PageDown)));
    }
    report("paging_rss_end_mb", statusMegabytes("VmRSS"));
    report("pages", times.size());
    reportTimes("page_median_ms", "page_worst_ms", times);
    return 0;
}

int page()
{
    modFontHelper::InstalledFonts fonts = modFontHelper::SystemFonts();
    const QStringList installed = fonts.families;
    RichTextBox view;
    view.SetFaceLocations(std::move(fonts.faces));
    view.resize(630, 600);
    settle(view);
    QStringList families;
    const int shown = view.viewport()->height() / view.LineHeight() + 1;
    while (!installed.isEmpty() && families.size() < shown)
        families += installed;
    modFontHelper::ListFontFamilies(view, Sentence, [&families] { return families; });

    QElapsedTimer timer;
    timer.start();
    view.viewport()->repaint();
    report("page_ms", timer.nsecsElapsed() / 1e6);
    report("page_families", installed.size());
    return 0;
}

// Names as a large collection has them: many sharing their first words, some in other scripts.
QString findableName(int index)
{
    static const QStringList Starts{u"Corpus Family"_qs, u"Corpus Extended Display"_qs, u"Шрифт"_qs,
                                    u"Élan Serif"_qs, u"Noto Sans"_qs, u"Noto Serif"_qs};
    return Starts[index % Starts.size()] + QStringLiteral(" %1").arg(index, 5, 10, QChar(u'0'));
}

int typeToFind(int families)
{
    RichTextBox view;
    view.resize(630, 600);
    QString text;
    for (int index = 0; index < families; ++index)
        text += findableName(index) + u"\t\t\t"_qs + Sentence + RichTextBox::LineBreak;
    view.SetSelText(text);
    view.SetSelStart(0);
    settle(view); // the index is made meanwhile, as it is before anyone types
    std::vector<double> times;
    for (const QString &typed : {u"noto serif 1"_qs, u"elan"_qs, u"шрифт 2"_qs, u"corpus e"_qs}) {
        for (const QChar character : typed) {
            // A keystroke that leaves the caret where it was paints nothing: each one is
            // counted with a whole repaint, as if it had moved the caret.
            QElapsedTimer timer;
            timer.start();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
            QCoreApplication::sendEvent(&view, &press);
            view.viewport()->repaint();
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        send(&view, QEvent::KeyPress, Qt::Key_Escape);
    }
    report("families", families);
    reportTimes("find_median_ms", "find_worst_ms", times);
    return 0;
}

int zoom()
{
    ResolveApplicationFontFamily();
    frmMain window;
    RichTextBox &view = viewOf(window);
    settle(window);
    PaintWatch watch(view.viewport());
    std::vector<double> times;
    for (int step = 0; step < 20; ++step) {
        const Qt::Key key = step % 4 < 2 ? Qt::Key_Equal : Qt::Key_Minus;
        times.push_back(timedKey(view, watch, QKeyCombination(Qt::ControlModifier, key)));
    }
    reportTimes("zoom_median_ms", "zoom_worst_ms", times);
    return 0;
}

int refresh(const QString &folder, int count)
{
    ResolveApplicationFontFamily();
    frmMain window;
    RichTextBox &view = viewOf(window);
    settle(window);
    PaintWatch watch(view.viewport());
    auto *fonts = window.findChild<FontWatch *>(u"fontWatch"_qs);
    std::vector<double> times;
    for (int run = 0; run < count; ++run) {
        // Fontconfig compares times to the second: the copy comes a second after the last look.
        settle(window, 1100);
        QFile::copy(u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_qs,
                    QDir(folder).filePath(QStringLiteral("added-%1.ttf").arg(run)));
        const int paintsBefore = watch.paints;
        QElapsedTimer timer;
        timer.start();
        fonts->check();
        while (watch.paints == paintsBefore)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        times.push_back(timer.nsecsElapsed() / 1e6);
        report(run == 0 ? "refresh_rss_first_mb" : "refresh_rss_last_mb", statusMegabytes("VmRSS"));
    }
    for (int run = 0; run < count; ++run)
        QFile::remove(QDir(folder).filePath(QStringLiteral("added-%1.ttf").arg(run)));
    reportTimes("refresh_median_ms", "refresh_worst_ms", times);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 start = processStart();
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString mode = arguments.value(1);
    const int repeat = std::max(1, arguments.value(2).toInt());

    int status = 2;
    if (mode == u"startup")
        status = startup(app, arguments.contains(u"--bare"_qs), start);
    else if (mode == u"fontdb")
        status = fontDatabase();
    else if (mode == u"fill")
        status = fill(repeat);
    else if (mode == u"highlight")
        status = highlight(repeat);
    else if (mode == u"paging")
        status = paging();
    else if (mode == u"page")
        status = page();
    else if (mode == u"find")
        status = typeToFind(repeat);
    else if (mode == u"zoom")
        status = zoom();
    else if (mode == u"refresh")
        status = refresh(arguments.value(2), std::max(1, arguments.value(3).toInt()));
    else
        std::fprintf(stderr, "usage: typeshelf_bench startup [--bare] | fontdb | fill N | highlight N | paging | page\n"
                             "       | find FAMILIES | zoom | refresh FOLDER N\n");
    report("peak_rss_mb", statusMegabytes("VmHWM"));
    return status;
}
