// A stand-in card library with two of the functions, for the binding tests.
#include "nimbrel.h"

extern "C" {

QUARN_API QuarnResult QUARN_CALL Quarn_Connect(QuarnConnection* connectionOut) {
    if (connectionOut == nullptr) {
        return QUARN_E_OUT_OF_RANGE;
    }
    *connectionOut = 42;
    return QUARN_OK;
}

QUARN_API QuarnResult QUARN_CALL Quarn_DisConnect(QuarnConnection connection) {
    return connection == 42 ? QUARN_OK : 0x80100003u;
}

} // extern "C"
