// orrick [--simulate PROFILE.json [--scenario FILE.json]] [--log-file FILE]
//        [--settings FILE.ini]
//
// The production-line tester. Without --simulate it tests the readers
// plugged into this machine.
#include "program.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has taken its own options out of the list.
    std::vector<QByteArray> args;
    for (const QString& arg : QApplication::arguments())
        args.push_back(arg.toLocal8Bit());
    std::vector<const char*> argp;
    for (const QByteArray& arg : args)
        argp.push_back(arg.constData());
    const auto options = orrick::ParseToolOptions(static_cast<int>(argp.size()), argp.data());
    if (!options) {
        std::fprintf(stderr, "usage: orrick [--simulate PROFILE.json [--scenario FILE.json]] "
                             "[--log-file FILE] [--settings FILE.ini]\n");
        return 2;
    }
    std::unique_ptr<orrick::ui::OrrickProgram> program;
    try {
        program = std::make_unique<orrick::ui::OrrickProgram>(
            *options, QApplication::applicationDirPath().toStdString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orrick: %s\n", e.what());
        return 2;
    }
    program->Show();
    app.exec();
    const int code = program->ExitCode();
    program.reset();
    return code;
}
