// Cost of formatting a whole card through the simulated two-slot reader,
// beside mkfs.fat writing the same geometry to an image of the same size:
// wall time, bytes written (requests sent, and blocks the sparse image gained)
// and the ratio of the two times. mkfs.fat's time includes starting it.
//
//   orrick-format-bench [DIR]     (images go to DIR, default the temp folder)
#include "fat_format.h"
#include "sim_reader.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Passes everything to the simulator and counts the bytes of each WRITE.
class CountingBackend : public orrick::ScsiBackend {
public:
    explicit CountingBackend(simreader::SimReaderBackend& sim) : sim_(sim) {}
    uint64_t written = 0;
    uint64_t requests = 0;

    std::vector<std::string> ListDrives() override { return sim_.ListDrives(); }
    bool IsRemovableOrOptical(const std::string& n) override {
        return sim_.IsRemovableOrOptical(n);
    }
    orrick::DriveHandle Open(const std::string& n) override { return sim_.Open(n); }
    void Close(orrick::DriveHandle h) override { sim_.Close(h); }
    orrick::ScsiResult Execute(orrick::DriveHandle h, const orrick::ScsiRequest& r) override {
        if (r.opcode() == orrick::scsi::kWrite10) {
            written += r.data.size();
            ++requests;
        }
        return sim_.Execute(h, r);
    }
    std::optional<uint64_t> BlockCount(const std::string& n) override { return sim_.BlockCount(n); }

private:
    simreader::SimReaderBackend& sim_;
};

uint64_t AllocatedBytes(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? uint64_t(st.st_blocks) * 512 : 0;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Figures {
    double seconds = -1;
    uint64_t requestBytes = 0;
    uint64_t requests = 0;
    uint64_t allocated = 0;
};

Figures FormatThroughReader(const std::filesystem::path& image, uint32_t sectors) {
    simreader::SimReaderBackend sim;
    CountingBackend counting(sim);
    const size_t index = sim.AddController(
        std::make_unique<simreader::SimController>(simreader::Family::TwoSlot), {"sdb", "sdc"});
    simreader::SimCard card;
    card.imagePath = image;
    card.blockCount = sectors;
    sim.Controller(index).InsertCard(0, card);

    orrick::ReaderDevice device(counting);
    device.SetDelay([](unsigned) {});
    orrick::ReaderTable table{};
    device.ScanReaderDrives(table);
    Figures f;
    orrick::OpenDrive drive(device, table[0]);
    if (!table[0].valid || !drive) {
        std::fprintf(stderr, "the simulated reader did not come up\n");
        return f;
    }
    orrick::FatFormatter formatter(
        device, [](const std::string& line) { std::fprintf(stderr, "log: %s", line.c_str()); });
    const auto start = Clock::now();
    const int result = formatter.FormatFat(sectors, "BENCH", table[0]);
    f.seconds = Seconds(Clock::now() - start);
    if (result != orrick::format::kDone)
        std::fprintf(stderr, "format returned %d\n", result);
    f.requestBytes = counting.written;
    f.requests = counting.requests;
    f.allocated = AllocatedBytes(image);
    return f;
}

Figures FormatWithMkfs(const std::filesystem::path& image, const orrick::FatGeometry& g) {
    Figures f;
    std::error_code ec;
    std::filesystem::remove(image, ec);
    {
        std::FILE* create = std::fopen(image.c_str(), "wb");
        if (create)
            std::fclose(create);
    }
    std::filesystem::resize_file(image, uint64_t{g.totalSectors} * 512, ec);
    if (ec) {
        std::fprintf(stderr, "cannot size %s: %s\n", image.c_str(), ec.message().c_str());
        return f;
    }
    const bool fat32 = g.type == orrick::FatType::Fat32;
    const std::string command =
        "PATH=\"$PATH:/usr/sbin:/sbin\" mkfs.fat -a -F " + std::string(fat32 ? "32" : "16") +
        " -S 512 -s " + std::to_string(g.sectorsPerCluster) + " -R " +
        std::to_string(g.reservedSectors) + " -f 2 -M 0xF8 -D 0x80 -h 0 -g 255/63 -n BENCH" +
        " -i 12345678" + (fat32 ? " -b 6" : " -r 512") + " '" + image.string() + "' >/dev/null";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    f.seconds = Seconds(Clock::now() - start);
    if (status != 0) {
        std::fprintf(stderr, "mkfs.fat failed (%d): %s\n", status, command.c_str());
        f.seconds = -1;
    }
    f.allocated = AllocatedBytes(image);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    struct Card {
        const char* name;
        uint32_t sectors;
    };
    // Sizes as card makers count them.
    const Card cards[] = {{"2 GB", 1953125u * 2}, {"32 GB", 62500000u}};
    std::printf("%-6s %-6s %4s %9s | %10s %12s %9s %12s | %10s %12s | %6s\n", "card", "type", "spc",
                "FAT sect", "ours s", "req bytes", "requests", "image bytes", "mkfs s",
                "image bytes", "ratio");
    for (const Card& c : cards) {
        const auto geometry = orrick::ChooseFatGeometry(c.sectors);
        if (!geometry)
            return 1;
        const auto ours = dir / ("orrick-format-bench-" + std::to_string(getpid()) + ".img");
        const auto theirs = dir / ("orrick-format-bench-mkfs-" + std::to_string(getpid()) + ".img");
        // Best of three runs each, every run on a fresh sparse image.
        std::error_code ec;
        Figures a, b;
        for (int run = 0; run < 3; ++run) {
            std::filesystem::remove(ours, ec);
            const Figures x = FormatThroughReader(ours, c.sectors);
            const Figures y = FormatWithMkfs(theirs, *geometry);
            if (run == 0 || x.seconds < a.seconds)
                a = x;
            if (run == 0 || y.seconds < b.seconds)
                b = y;
        }
        std::filesystem::remove(ours, ec);
        std::filesystem::remove(theirs, ec);
        std::printf("%-6s %-6s %4u %9u | %10.4f %12llu %9llu %12llu | %10.4f %12llu | %6.2f\n",
                    c.name, geometry->type == orrick::FatType::Fat32 ? "FAT32" : "FAT16",
                    unsigned{geometry->sectorsPerCluster}, geometry->fatSectors, a.seconds,
                    static_cast<unsigned long long>(a.requestBytes),
                    static_cast<unsigned long long>(a.requests),
                    static_cast<unsigned long long>(a.allocated), b.seconds,
                    static_cast<unsigned long long>(b.allocated),
                    b.seconds > 0 ? a.seconds / b.seconds : 0.0);
    }
    std::printf("goal: ratio <= 1.5\n");
    return 0;
}
