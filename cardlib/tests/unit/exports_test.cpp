// The export surface: handle checks, pending operations and the dynamic
// symbol table of the shared library.
#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "fake_pcsc_fixture.h"

namespace {

class Handles : public FakePcscTest, public testing::WithParamInterface<int> {
protected:
    // 0: never issued, 1: a made-up value, 2: closed.
    QuarnConnection Handle() {
        switch (GetParam()) {
        case 0:
            return 0;
        case 1:
            return 0xDEADBEEF;
        default: {
            OneScriptedReader();
            QuarnConnection handle = Open();
            EXPECT_EQ(Quarn_DisConnect(handle), QUARN_OK);
            return handle;
        }
        }
    }
};

TEST_P(Handles, UnknownOrClosedHandleTouchesNothing) {
    QuarnConnection handle = Handle();
    int transmits = fake_pcsc::CallCount(fake_pcsc::Call::Transmit);
    int disconnects = fake_pcsc::CallCount(fake_pcsc::Call::Disconnect);
    nimbrel::SetMode(nimbrel::CommandMode::Uicc);
    const QuarnResult invalid = 0x80100003;
    EXPECT_EQ(Quarn_IsCDMA_RUIM(handle), invalid);
    EXPECT_EQ(Quarn_Is3G_UIM(handle), invalid);
    EXPECT_EQ(Quarn_IsPHS_SIM(handle), invalid);
    EXPECT_EQ(Quarn_DisConnect(handle), invalid);
    EXPECT_EQ(nimbrel::CurrentMode(), nimbrel::CommandMode::Uicc);
    EXPECT_EQ(fake_pcsc::CallCount(fake_pcsc::Call::Transmit), transmits);
    EXPECT_EQ(fake_pcsc::CallCount(fake_pcsc::Call::Disconnect), disconnects);
}

// The gate every export passes: a null record pointer is refused on a live
// connection before anything reaches the card, and a PIN of a wrong length
// before the handle is even looked at.
TEST_F(FakePcscTest, NullRecordsAndBadPinLengthsAreRefusedBeforeTheCard) {
    OneScriptedReader();
    const QuarnConnection handle = Open();
    const QuarnResult invalid = 0x80100004;
    _FILE_INFO fi{};
    _SMS_ITEM message{};
    _CDMA_SMS_ITEM cdma{};
    EXPECT_EQ(Quarn_OpenLastNumDialledBook(handle, nullptr), invalid);
    EXPECT_EQ(Quarn_ReadLastNumDialledBook(handle, &fi, nullptr, 1), invalid);
    EXPECT_EQ(Quarn_OpenUSIMSMSBook(handle, nullptr), invalid);
    EXPECT_EQ(Quarn_ReadSMSBook(handle, nullptr, &message, 1), invalid);
    EXPECT_EQ(Quarn_WritePHSSMSBook(handle, &fi, nullptr, 1), invalid);
    EXPECT_EQ(Quarn_ReadCDMASMSBook(handle, nullptr, &cdma, 1), invalid);
    EXPECT_EQ(Quarn_WritePhoneBook(handle, &fi, nullptr, 0), invalid);
    EXPECT_EQ(Quarn_GetSIMCardInfo(handle, nullptr), invalid);
    EXPECT_EQ(Quarn_GetUSIMCardInfo(handle, nullptr), invalid);
    EXPECT_EQ(Quarn_GetIMSI(handle, nullptr), invalid);
    EXPECT_EQ(Quarn_GetSIMFileMapSize(handle, nullptr), invalid);
    EXPECT_EQ(Quarn_GetUSIMFileMapSize(handle, nullptr), invalid);
    EXPECT_EQ(Quarn_ChangeSIMCHV(0xDEADBEEF, "1234", 4, nullptr, 4), QUARN_E_BAD_PIN_LENGTH);
    EXPECT_EQ(Quarn_UnBlockSIMCHV(0xDEADBEEF, "123456789", 9, "1234", 4), QUARN_E_BAD_PIN_LENGTH);
    EXPECT_EQ(fake_pcsc::CallCount(fake_pcsc::Call::Transmit), 0);
}

std::string HandleKind(const testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"Zero", "MadeUp", "Closed"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Kinds, Handles, testing::Values(0, 1, 2), HandleKind);

std::set<std::string> DeclaredExports() {
    std::ifstream header(NIMBREL_HEADER);
    std::stringstream text;
    text << header.rdbuf();
    std::string source = text.str();
    std::set<std::string> names;
    std::regex declaration(R"(QUARN_CALL\s+(Quarn_\w+)\s*\()");
    for (auto it = std::sregex_iterator(source.begin(), source.end(), declaration);
         it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    return names;
}

TEST(SharedLibrary, DynamicSymbolTableListsExactlyTheDeclaredExports) {
    std::set<std::string> declared = DeclaredExports();
    ASSERT_EQ(declared.size(), 36u);

    std::string command = "nm -D --defined-only '" NIMBREL_SO "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    std::array<char, 512> line;
    while (fgets(line.data(), line.size(), pipe)) {
        std::istringstream fields(line.data());
        std::string address, type, name;
        fields >> address >> type >> name;
        if (name.empty()) { // undefined-address lines have two fields
            name = type;
            type = address;
        }
        // The toolchain's own version-node markers are not symbols of ours.
        if (type == "A")
            continue;
        exported.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(exported, declared);
}

} // namespace
