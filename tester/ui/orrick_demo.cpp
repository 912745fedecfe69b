// orrick-demo --out DIR [--verdicts N] --simulate PROFILE.json --scenario FILE.json
//             [--settings FILE.ini] [--log-file FILE]
//
// Not a test: runs the tester's window on a simulated line and saves
// pictures of it for a human to look at (under xvfb-run when there is no
// display): idle.png before the reader comes, running.png once every
// N columns (default 3) show a verdict, setup.png with the password dialog and
// unlocked.png after it. Prints the paths of the pictures.
#include "program.h"
#include "wait_until.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

using orrick::ui::MainWindow;
using orrick::ui::WaitUntil;

constexpr int kColumns = 6;

// The whole screen where there is one (dialogs over the window), else the widget.
void Save(QWidget& widget, const std::filesystem::path& file) {
    QPixmap picture;
    if (QGuiApplication::platformName() == "xcb" && QGuiApplication::primaryScreen())
        picture = QGuiApplication::primaryScreen()->grabWindow(0);
    else
        picture = widget.grab();
    if (picture.save(QString::fromStdString(file.string())))
        std::printf("%s\n", file.c_str());
    else
        std::fprintf(stderr, "orrick-demo: cannot write %s\n", file.c_str());
}

int VerdictsShown(MainWindow& w) {
    int shown = 0;
    for (int column = 0; column < kColumns; ++column) {
        auto* label = w.findChild<QLabel*>(QStringLiteral("verdict%1").arg(column));
        if (label && !label->text().isEmpty())
            ++shown;
    }
    return shown;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<QByteArray> kept;
    std::filesystem::path out;
    int verdicts = 3;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size())
            out = args[++i].toStdString();
        else if (args[i] == "--verdicts" && i + 1 < args.size())
            verdicts = std::clamp(args[++i].toInt(), 1, kColumns);
        else
            kept.push_back(args[i].toLocal8Bit());
    }
    std::vector<const char*> argp;
    for (const QByteArray& a : kept)
        argp.push_back(a.constData());
    const auto options = orrick::ParseToolOptions(static_cast<int>(argp.size()), argp.data());
    if (out.empty() || !options || !options->profile || !options->scenario) {
        std::fprintf(
            stderr,
            "usage: orrick-demo --out DIR [--verdicts N] --simulate PROFILE.json --scenario "
            "FILE.json [--settings FILE.ini] [--log-file FILE]\n");
        return 2;
    }
    std::filesystem::create_directories(out);

    std::unique_ptr<orrick::ui::OrrickProgram> program;
    try {
        program = std::make_unique<orrick::ui::OrrickProgram>(*options, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orrick-demo: %s\n", e.what());
        return 2;
    }
    MainWindow& w = program->Window();
    program->Show();
    QTest::qWait(700);
    Save(w, out / "idle.png");

    if (!WaitUntil([&] { return w.Engine().Running() && VerdictsShown(w) >= verdicts; }, 30000, 50))
        std::fprintf(stderr, "orrick-demo: fewer than %d verdicts came\n", verdicts);
    QTest::qWait(300);
    Save(w, out / "running.png");

    // Setup is offered again once the reader has gone.
    auto* setup = w.findChild<QPushButton*>("id1046");
    if (!WaitUntil([&] { return setup->isEnabled(); }, 60000, 50)) {
        std::fprintf(stderr, "orrick-demo: the run did not end\n");
    } else {
        QTimer::singleShot(300, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            QTest::keyClicks(dialog->findChild<QLineEdit*>("passwordEdit"), "7351");
            QTest::qWait(100);
            Save(*dialog, out / "setup.png");
            dialog->findChild<QPushButton*>("id1")->click();
        });
        setup->click();
        QTest::qWait(200);
        Save(w, out / "unlocked.png");
    }
    w.close();
    app.processEvents();
    const int code = program->ExitCode();
    program.reset();
    return code;
}
