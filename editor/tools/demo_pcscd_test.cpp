// The main job through the real stack: the demo driver against the demo SIM
// in the sandbox's first known reader, judged by what the window showed.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <string>

#include "spare_card.h"

namespace {

constexpr int kFirstKnownSlot = 2; // before the fixture's USIM in slot 3

TEST(DemoThroughPcscd, LoadFillsBothBooksAndTheScreenshotsShowThem) {
    sandbox::SpareCard card(kFirstKnownSlot, std::string(SIM_PROFILE_DIR) + "/demo_gsm_sim.json");
    ASSERT_TRUE(card.Ready());
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());

    QProcess demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    demo.setProcessEnvironment(environment);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QStringLiteral(BRISKEN_DEMO_PROGRAM), {QStringLiteral("--out"), out.path()});
    ASSERT_TRUE(demo.waitForFinished(120000));
    const QByteArray said = demo.readAll();
    EXPECT_EQ(demo.exitCode(), 0) << said.constData();
    EXPECT_TRUE(said.contains(": 60 phone-book rows")) << said.constData();
    EXPECT_TRUE(said.contains(": 16 SMS rows")) << said.constData();
    EXPECT_FALSE(said.contains("dialog:")) << said.constData(); // a card without PIN asks nothing

    for (const char* name : {"main-phone.png", "main-sms.png"}) {
        const QImage picture(out.filePath(QString::fromLatin1(name)));
        EXPECT_FALSE(picture.isNull()) << name;
        EXPECT_TRUE(said.contains(
            QFileInfo(out.filePath(QString::fromLatin1(name))).absoluteFilePath().toLocal8Bit()))
            << name;
    }
}

// Editing and every PIN action in the window against each card family's PIN
// commands; the driver judges each step by the dialogs and messages it saw.
class TourThroughPcscd : public ::testing::TestWithParam<const char*> {};

TEST_P(TourThroughPcscd, EveryStepShowsWhatItShould) {
    sandbox::SpareCard card(kFirstKnownSlot, std::string(SIM_PROFILE_DIR) + "/" + GetParam());
    ASSERT_TRUE(card.Ready());
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());

    QProcess demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    demo.setProcessEnvironment(environment);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(
        QStringLiteral(BRISKEN_DEMO_PROGRAM),
        {QStringLiteral("--out"), out.path(), QStringLiteral("--tour"), QStringLiteral("yes")});
    ASSERT_TRUE(demo.waitForFinished(180000));
    const QByteArray said = demo.readAll();
    EXPECT_EQ(demo.exitCode(), 0) << said.constData();
    EXPECT_TRUE(said.contains("tour: every step showed what it should")) << said.constData();
}

INSTANTIATE_TEST_SUITE_P(Cards, TourThroughPcscd,
                         ::testing::Values("demo_gsm_sim_pin.json", "demo_usim.json",
                                           "demo_ruim.json"),
                         [](const auto& info) {
                             std::string name = info.param;
                             name = name.substr(5, name.find('.') - 5);
                             std::erase(name, '_');
                             return name;
                         });

} // namespace
