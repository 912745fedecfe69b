#include "core/card_flow.h"

#include "core/catalogue.h"

namespace brisken {

bool IdentifyCard(CardSession& session, CardFlowView& view) {
    switch (session.Identify()) {
    case IdentifyResult::Identified:
        return true;
    case IdentifyResult::ConnectFailed:
        view.Message(kMsgConnectFailed);
        return false;
    case IdentifyResult::InfoFailed:
        view.Message(kMsgReadDataFailed);
        return false;
    }
    return false;
}

bool OpenBook(CardSession& session, BookKind kind, ReadRequest& request, CardFlowView& view) {
    CardLibrary& library = session.Library();
    request = ReadRequest{};
    request.kind = kind;
    request.usim = session.IsUsim();
    request.cdma = session.IsCdma();
    request.connection = session.Connection();
    const QuarnConnection connection = session.Connection();
    switch (kind) {
    case BookKind::LastDialled:
        if (library.OpenLastNumDialledBook(connection, &request.file) != QUARN_OK) {
            view.Message(kMsgReadLastDialedFailed);
            return false;
        }
        return true;
    case BookKind::Phone: {
        const QuarnResult result = request.usim
                                       ? library.OpenUISMPhoneBook(connection, &request.usimBook)
                                       : library.OpenPhoneBook(connection, &request.file);
        if (result != QUARN_OK) {
            view.Message(kMsgReadPhoneBookFailed);
            return false;
        }
        return true;
    }
    case BookKind::Sms: {
        QuarnResult result = QUARN_OK;
        if (request.cdma) {
            result = library.OpenCDMASMSBook(connection, &request.file);
        } else if (request.usim) {
            result = library.OpenUSIMSMSBook(connection, &request.file);
        } else {
            result = library.OpenSMSBook(connection, &request.file);
        }
        if (result != QUARN_OK) {
            view.Message(kMsgReadSmsBookFailed);
            return false;
        }
        return true;
    }
    }
    return false;
}

bool RequireTransferFunctions(CardLibrary& library, BookKind kind, bool write) {
    if (!library.Require({NimbrelFunction::Connect, NimbrelFunction::ConnectAssignReader,
                          NimbrelFunction::DisConnect, NimbrelFunction::GetUSIMCardInfo,
                          NimbrelFunction::GetSIMCardInfo, NimbrelFunction::IsCDMA_RUIM,
                          NimbrelFunction::VerifySIMCHV})) {
        return false;
    }
    switch (kind) {
    case BookKind::Phone:
        return library.Require(
            {NimbrelFunction::OpenPhoneBook, NimbrelFunction::OpenUISMPhoneBook,
             NimbrelFunction::SelectADN,
             write ? NimbrelFunction::WritePhoneBook : NimbrelFunction::ReadPhoneBook});
    case BookKind::LastDialled:
        return library.Require({NimbrelFunction::OpenLastNumDialledBook,
                                write ? NimbrelFunction::WriteLastNumDialledBook
                                      : NimbrelFunction::ReadLastNumDialledBook});
    case BookKind::Sms:
        return library.Require(
            {NimbrelFunction::OpenSMSBook, NimbrelFunction::OpenUSIMSMSBook,
             NimbrelFunction::OpenCDMASMSBook,
             write ? NimbrelFunction::WriteSMSBook : NimbrelFunction::ReadSMSBook,
             write ? NimbrelFunction::WriteCDMASMSBook : NimbrelFunction::ReadCDMASMSBook});
    }
    return false;
}

} // namespace brisken
