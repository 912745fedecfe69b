/* Wendrill: pre-test of the smart-card slot of a reader.
 *
 * Both functions work on a card handle that the caller connected (shared
 * mode) and disconnects itself. They walk MF / DF_TELECOM / EF_ADN with GSM
 * class commands; no context, connection or card state of their own.
 * Calls must not overlap.
 */
#ifndef WENDRILL_H
#define WENDRILL_H

#include <stdint.h>
#include <winscard.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
/* Exported by name from the DLL's .def file. */
#define WENDRILL_API
#define WENDRILL_CALL __stdcall
#else
#define WENDRILL_API __attribute__((visibility("default")))
#define WENDRILL_CALL
#endif

#define WENDRILL_OK 0x00000000u
#define WENDRILL_E_STATUS 0x20100000u /* the card's status word was not acceptable */

/* 0 when MF, DF_TELECOM and EF_ADN can be selected and the EF_ADN
 * description fetched; otherwise a PC/SC error or WENDRILL_E_STATUS. */
WENDRILL_API uint32_t WENDRILL_CALL MultiCardRWTest(SCARDHANDLE card);

/* As MultiCardRWTest, and record 1 of EF_ADN can be read as well. */
WENDRILL_API uint32_t WENDRILL_CALL MultiCardPreRead(SCARDHANDLE card);

#ifdef __cplusplus
}
#endif

#endif /* WENDRILL_H */
