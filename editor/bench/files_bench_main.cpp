// brisken-files-bench: Import and Export of a full book in the main window,
// from the menu command to the updated list or the written file (the file
// dialog answered at once). Prints figures; run with
// QT_QPA_PLATFORM=offscreen where there is no display:
//
//   QT_QPA_PLATFORM=offscreen build/editor/brisken-files-bench [ROUNDS]
#include "controls/color_list_ctrl.h"
#include "core/catalogue.h"
#include "core/data_files.h"
#include "core/messages.h"
#include "ui/main_dialog.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using namespace brisken;

namespace {

constexpr int kEntries = 1024;

QByteArray PhoneText() {
    QByteArray text;
    for (int i = 0; i < kEntries; ++i) {
        // Every fourth name outside ASCII, so both name fields are filled.
        text +=
            (i % 4 == 0 ? QStringLiteral("Jürgen %1").arg(i) : QStringLiteral("Contact %1").arg(i))
                .toUtf8() +
            "," + QByteArray::number(4930000000LL + i) + "\r\n";
    }
    return text;
}

std::unique_ptr<MainDialog> Window(const QString& settings) {
    auto window = std::make_unique<MainDialog>();
    window->SetSettingsPath(settings);
    window->OnInitDialog();
    window->show();
    QApplication::processEvents();
    return window;
}

// Median time of `act` over `rounds` fresh windows, each prepared by `prepare`.
double Median(int rounds, const QString& settings, const std::function<void(MainDialog&)>& prepare,
              const std::function<void(MainDialog&)>& act) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        std::unique_ptr<MainDialog> window = Window(settings);
        prepare(*window);
        const auto start = std::chrono::steady_clock::now();
        act(*window);
        QApplication::processEvents();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Answer(MainDialog& window, const QString& path, int filter) {
    window.SetFileChooser([path, filter](const MainDialog::FileDialogRequest&) {
        return MainDialog::FileChoice{path, filter};
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    SetMessageHandler([](const MessageRequest& request) {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
        return MessageAnswer::Ok;
    });
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("Brisken.ini"));
    const QString text = dir.filePath(QStringLiteral("phone.txt"));
    const QString usv = dir.filePath(QStringLiteral("phone.usv"));
    {
        QFile file(text);
        if (!file.open(QIODevice::WriteOnly) || file.write(PhoneText()) < 0) {
            return 1;
        }
    }
    // The record file comes from the text file's import, through Export.
    {
        std::unique_ptr<MainDialog> window = Window(settings);
        Answer(*window, text, 1);
        window->OnCommand(kCmdImport);
        Answer(*window, usv, 0);
        window->OnCommand(kCmdExport);
        if (QFile(usv).size() != kEntries * static_cast<qint64>(sizeof(PhoneEntry))) {
            std::fprintf(stderr, "the record file was not written whole\n");
            return 1;
        }
    }

    auto rowsOf = [](MainDialog& window) {
        return window.findChild<CColorListCtrl*>(QStringLiteral("id1000"))->RowCount();
    };
    auto none = [](MainDialog&) {};
    auto importFrom = [&](const QString& path) {
        return [&, path](MainDialog& window) {
            Answer(window, path, 0);
            window.OnCommand(kCmdImport);
            if (rowsOf(window) != kEntries) {
                std::fprintf(stderr, "import left %d rows\n", rowsOf(window));
            }
        };
    };
    auto imported = [&](MainDialog& window) { importFrom(usv)(window); };
    auto exportTo = [&](const char* name, int filter) {
        return [&, name, filter](MainDialog& window) {
            Answer(window, dir.filePath(QString::fromLatin1(name)), filter);
            window.OnCommand(kCmdExport);
        };
    };

    std::printf("Import and Export of %d phone-book entries, median of %d (goal below 50 ms):\n",
                kEntries, rounds);
    std::printf("  import of a text file      %8.3f ms\n",
                Median(rounds, settings, none, importFrom(text)));
    std::printf("  import of a .usv file      %8.3f ms\n",
                Median(rounds, settings, none, importFrom(usv)));
    std::printf("  export as .usv             %8.3f ms\n",
                Median(rounds, settings, imported, exportTo("out.usv", 0)));
    std::printf("  export as vCard            %8.3f ms\n",
                Median(rounds, settings, imported, exportTo("out.vcf", 1)));
    std::printf("  export as CSV              %8.3f ms\n",
                Median(rounds, settings, imported, exportTo("out.csv", 2)));
    return 0;
}
