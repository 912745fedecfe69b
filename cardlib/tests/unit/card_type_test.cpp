// The three card-type probes against each virtual card profile.
#include <ostream>
#include <string>

#include "fake_pcsc_fixture.h"
#include "file_access.h"

namespace {

struct TypeCase {
    const char* profile;
    bool ruim, usim, phs;
};

// Test names and logs show the case by its name.
void PrintTo(const TypeCase& c, std::ostream* os) {
    *os << c.profile;
}

class CardTypes : public FakePcscTest, public testing::WithParamInterface<TypeCase> {};

TEST_P(CardTypes, EachProbeAnswersZeroOnlyForItsType) {
    simcard::VirtualCard card(Profile(GetParam().profile));
    fake_pcsc::SetReaders({ReaderWithCard(card)});
    QuarnConnection handle = Open();
    EXPECT_EQ(Quarn_IsCDMA_RUIM(handle) == QUARN_OK, GetParam().ruim);
    EXPECT_EQ(Quarn_IsPHS_SIM(handle) == QUARN_OK, GetParam().phs);
    EXPECT_EQ(Quarn_Is3G_UIM(handle) == QUARN_OK, GetParam().usim);
    // Probes in any order after a fresh connection give the same answers.
    ASSERT_EQ(Quarn_DisConnect(handle), QUARN_OK);
    handle = Open();
    EXPECT_EQ(Quarn_Is3G_UIM(handle) == QUARN_OK, GetParam().usim);
    EXPECT_EQ(Quarn_IsPHS_SIM(handle) == QUARN_OK, GetParam().phs);
    EXPECT_EQ(Quarn_IsCDMA_RUIM(handle) == QUARN_OK, GetParam().ruim);
}

INSTANTIATE_TEST_SUITE_P(Profiles, CardTypes,
                         testing::Values(TypeCase{"gsm_sim.json", false, false, false},
                                         TypeCase{"usim.json", false, true, false},
                                         TypeCase{"ruim.json", true, false, false},
                                         TypeCase{"phs.json", false, false, true}),
                         [](const auto& info) {
                             std::string name = info.param.profile;
                             return name.substr(0, name.find('.'));
                         });

class RuimProbe : public FakePcscTest {};

TEST_F(RuimProbe, PlainSimFailsAt7F25WithThatSelectsResult) {
    simcard::VirtualCard card(Profile("gsm_sim.json"));
    fake_pcsc::SetReaders({ReaderWithCard(card)});
    QuarnConnection handle = Open();
    EXPECT_EQ(Quarn_IsCDMA_RUIM(handle), QUARN_E_BAD_ANSWER);
    // SIM mode said "not found", the retry in UICC mode "wrong class".
    const auto& sent = card.Received();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(fake_pcsc::ToHex(sent[sent.size() - 2]), "A0 A4 00 00 02 7F 25");
    EXPECT_EQ(fake_pcsc::ToHex(sent.back()), "00 A4 00 04 02 7F 25");
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6E00);
}

TEST_F(RuimProbe, FailedProbesLeaveASimInTheSimCommandSet) {
    // Card information ends with the R-UIM probe, and a PIN verification
    // follows it on a PIN-protected SIM: it must go out with class A0.
    simcard::VirtualCard card(Profile("gsm_sim.json"));
    fake_pcsc::SetReaders({ReaderWithCard(card)});
    QuarnConnection handle = Open();
    _CARD_INFO info{};
    ASSERT_EQ(Quarn_GetSIMCardInfo(handle, &info), QUARN_OK);
    ASSERT_NE(Quarn_IsCDMA_RUIM(handle), QUARN_OK);
    ASSERT_NE(Quarn_IsPHS_SIM(handle), QUARN_OK);
    ASSERT_EQ(Quarn_VerifySIMCHV(handle, "1234", 4), QUARN_OK);
    EXPECT_EQ(fake_pcsc::ToHex(card.Received().back()).substr(0, 14), "A0 20 00 01 08");
}

TEST_F(RuimProbe, UsimIsReachedThroughTheModeSwitch) {
    simcard::VirtualCard card(Profile("usim.json"));
    fake_pcsc::SetReaders({ReaderWithCard(card)});
    QuarnConnection handle = Open();
    ASSERT_EQ(Quarn_Is3G_UIM(handle), QUARN_OK);
    // The application's own files are now reachable in UICC mode.
    const nimbrel::Response answer = nimbrel::SelectFile(Link(handle), 0x6F3C);
    ASSERT_EQ(answer.result, QUARN_OK);
    _FILE_INFO info{};
    ASSERT_EQ(nimbrel::FileInfoFromSelect(answer.data(), &info), QUARN_OK);
    EXPECT_EQ(info.recordLength, 176);
    EXPECT_EQ(info.recordCount, 10);
}

} // namespace
