// The library through the real stack: libnimbrel.so -> libpcsclite ->
// pcscd -> vpcd -> virtual card process. The sandbox fixture provides:
//   "Acme Card Terminal 00 00"            GSM SIM (a reader the library does not know)
//   "Acme Card Terminal 00 01"            empty
//   "Generic MultiCard reader 1.0 00 00"  empty
//   "Generic MultiCard reader 1.0 00 01"  USIM (T=0)
// Each test runs in its own process, so the library's state starts fresh.
#include <gtest/gtest.h>

#include "nimbrel.h"

namespace {

constexpr QuarnResult kInvalidHandle = 0x80100003;

TEST(ThroughPcscd, ConnectSkipsUnknownAndEmptyReadersAndFindsTheUsim) {
    EXPECT_EQ(Quarn_IsCardExist(), QUARN_OK);
    QuarnConnection handle = 0;
    ASSERT_EQ(Quarn_Connect(&handle), QUARN_OK);
    // The USIM answers SELECT with 61xx: the library fetches the FCP.
    EXPECT_EQ(Quarn_Is3G_UIM(handle), QUARN_OK);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x9000);
    EXPECT_NE(Quarn_IsCDMA_RUIM(handle), QUARN_OK);
    EXPECT_NE(Quarn_IsPHS_SIM(handle), QUARN_OK);
    EXPECT_EQ(Quarn_DisConnect(handle), QUARN_OK);
}

TEST(ThroughPcscd, AssignedReaderComesFirstInListOrderAndHoldsTheGsmSim) {
    QuarnConnection handle = 0;
    ASSERT_EQ(Quarn_ConnectAssignReader(&handle, "Acme Card Terminal"), QUARN_OK);
    EXPECT_NE(Quarn_Is3G_UIM(handle), QUARN_OK);
    EXPECT_NE(Quarn_IsCDMA_RUIM(handle), QUARN_OK);
    EXPECT_NE(Quarn_IsPHS_SIM(handle), QUARN_OK);
    ASSERT_EQ(Quarn_DisConnect(handle), QUARN_OK);

    // The assignment stays: a plain Connect now lands on the same reader.
    ASSERT_EQ(Quarn_Connect(&handle), QUARN_OK);
    EXPECT_NE(Quarn_Is3G_UIM(handle), QUARN_OK);
    EXPECT_EQ(Quarn_DisConnect(handle), QUARN_OK);
}

TEST(ThroughPcscd, RuimProbeOnGsmSimReturnsTheFailedSelect) {
    QuarnConnection handle = 0;
    ASSERT_EQ(Quarn_ConnectAssignReader(&handle, "Acme Card Terminal"), QUARN_OK);
    // 7F25 is missing in SIM mode (9404), and the retry in UICC mode meets a
    // card that rejects class 00 (6E00).
    EXPECT_EQ(Quarn_IsCDMA_RUIM(handle), QUARN_E_BAD_ANSWER);
    EXPECT_EQ(Quarn_GetStatusWord(), 0x6E00);
    EXPECT_EQ(Quarn_DisConnect(handle), QUARN_OK);
}

TEST(ThroughPcscd, TwoConnectionsAtOnceAndClosedHandles) {
    QuarnConnection first = 0, second = 0;
    ASSERT_EQ(Quarn_Connect(&first), QUARN_OK);
    ASSERT_EQ(Quarn_Connect(&second), QUARN_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(Quarn_DisConnect(first), QUARN_OK);
    EXPECT_EQ(Quarn_Is3G_UIM(first), kInvalidHandle);
    EXPECT_EQ(Quarn_DisConnect(first), kInvalidHandle);
    EXPECT_EQ(Quarn_Is3G_UIM(second), QUARN_OK);
    EXPECT_EQ(Quarn_DisConnect(second), QUARN_OK);
}

TEST(ThroughPcscd, TooLongAssignedNameKeepsThePreviousOne) {
    QuarnConnection handle = 0;
    ASSERT_EQ(Quarn_ConnectAssignReader(&handle, "Acme Card Terminal"), QUARN_OK);
    ASSERT_EQ(Quarn_DisConnect(handle), QUARN_OK);
    EXPECT_EQ(Quarn_ConnectAssignReader(&handle, std::string(61, 'x').c_str()),
              QUARN_E_OUT_OF_RANGE);
    ASSERT_EQ(Quarn_Connect(&handle), QUARN_OK);
    EXPECT_NE(Quarn_Is3G_UIM(handle), QUARN_OK); // still the GSM SIM in the Acme reader
    EXPECT_EQ(Quarn_DisConnect(handle), QUARN_OK);
}

} // namespace
