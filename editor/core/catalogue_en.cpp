// English texts of the editor (language 1033).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "&About Brisken..."},
    {102, "No"},
    {103, "Name"},
    {104, "Phone No"},
    {105, "SMS Status"},
    {106, "Time"},
    {107, "Message"},
    {108, "Load"},
    {109, "Save"},
    {110, "New"},
    {111, "Delete"},
    {112, "Close"},
    {113, "Unused"},
    {114, "Read"},
    {115, "To be read"},
    {116, "Send"},
    {117, "To be sent"},
    {118, "SIM card has failed to connect."},
    {119, "To read data is failed"},
    {120, "To read phone book is failed"},
    {121, "To read SMS book is failed"},
    {122, "The capacity of SIM phone book is not enough"},
    {123, "The capacity of SIM SMS book is not enough"},
    {124, "To verify PIN code is failed"},
    {125, "You had updated data, are you sure to exit ?"},
    {126, "Brisken"},
    {127, "Phone Book"},
    {128, "SMS"},
    {129, "Phone Book Status : (Total / Used / Unused)"},
    {130, "SMS Book Status : (Total / Used / Unused)"},
    {131, "SMS Status :"},
    {132, "Name :"},
    {133, "Phone No :"},
    {134, "SMS Time :"},
    {135, "SMS Message :"},
    {136, "Input PIN Code"},
    {137, "Please input PIN Code :"},
    {138, "Valid retry times of PIN Code :"},
    {139, "OK"},
    {140, "Cancel"},
    {141, "Please don't remove SIM card  !"},
    {142, "Please load phone book firstly."},
    {143, "Please load SMS book firstly."},
    {144, "Enable, disable or change PIN code"},
    {145, "Unblock"},
    {146, "SIM card is blocked."},
    {147, "PIN code is disabled."},
    {148, "PIN code is enabled."},
    {149, "The input PIN codes are not identical."},
    {150, "To change PIN code is failed."},
    {151, "To change PIN code is successful."},
    {152, "To enable PIN code is failed."},
    {153, "To enable PIN code is successful."},
    {154, "To disable PIN code is failed."},
    {155, "To disable PIN code is successful."},
    {156, "New PIN Code :"},
    {157, "Confirmed PIN Code :"},
    {158, "Change PIN Code"},
    {159, "SIM card is not blocked."},
    {160, "SIM card cannot be unblocked."},
    {161, "Unblock SIM Card"},
    {162, "Please input PUK Code :"},
    {163, "Valid retry times of PUK Code :"},
    {164, "Input New PIN Code"},
    {165, "To unblock is failed."},
    {166, "To unblock is successful."},
    {167, "Import or export data"},
    {168, "Failed to open the file."},
    {169, "This program can only be executed with administrative privilege!"},
    {170, "Select Language"},
    {171, "SIM Card Information"},
    {172, "Total size"},
    {173, "Phone book size"},
    {174, "SMS size"},
    {175, "Last Dialed"},
    {176, "Last Dialed Status : (Total / Used / Unused)"},
    {177, "To read last dialed is failed."},
    {178, "Please load last dialed firstly."},
    {179, "aaa"},
    {180, "This function is not available yet."},
    {181, "The card library could not be loaded."},
    {182, "%1 record(s) could not be written to the card. The changes are kept; try Save again."},
    {183, "%1 record(s) could not be read. The book shown may be incomplete."},
    {184, "The run directory is not safe to use."},
    {185, "A card operation is in progress. Please wait until it has finished."},
    {186, "The file could not be written."},
    {187, "The file is not a valid data file: %1 record(s) were not imported."},
    {188, "The remembered PIN was not used because a different card is inserted."},
    {189, "The book is full. The remaining entries were not imported."},
    {190, "The card library does not provide the function %1."},
    {191, "%1 entry(ies) had text longer than its field; the text was shortened."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "Enable PIN Code"},
    {kCmdDisablePin, "Disable PIN Code"},
    {0, nullptr},
    {kCmdChangePin, "Change PIN Code"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Import"},
    {kCmdExport, "Export"},
};

} // namespace

LanguageResources English() {
    return {1033, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
