// Dutch texts of the editor (language 1043).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "&Over Brisken..."},
    {102, "Nr."},
    {103, "Naam"},
    {104, "Telefoonnummer"},
    {105, "Sms-status"},
    {106, "Tijd"},
    {107, "Bericht"},
    {108, "Laden"},
    {109, "Opslaan"},
    {110, "Nieuw"},
    {111, "Verwijderen"},
    {112, "Sluiten"},
    {113, "Ongebruikt"},
    {114, "Gelezen"},
    {115, "Ongelezen"},
    {116, "Verzonden"},
    {117, "Te verzenden"},
    {118, "Kan geen verbinding maken met de simkaart."},
    {119, "Kan de gegevens niet lezen."},
    {120, "Kan het telefoonboek niet lezen."},
    {121, "Kan de sms-berichten niet lezen."},
    {122, "Het telefoonboek van de simkaart is vol."},
    {123, "Het sms-geheugen van de simkaart is vol."},
    {124, "Kan de pincode niet controleren."},
    {125, "Er zijn niet-opgeslagen wijzigingen. Weet u zeker dat u wilt afsluiten?"},
    {126, "Brisken"},
    {127, "Telefoonboek"},
    {128, "Sms"},
    {129, "Status telefoonboek: (Totaal / Gebruikt / Vrij)"},
    {130, "Status sms-geheugen: (Totaal / Gebruikt / Vrij)"},
    {131, "Sms-status:"},
    {132, "Naam:"},
    {133, "Telefoonnummer:"},
    {134, "Sms-tijd:"},
    {135, "Sms-bericht:"},
    {136, "Pincode invoeren"},
    {137, "Voer de pincode in:"},
    {138, "Resterende pogingen pincode:"},
    {139, "OK"},
    {140, "Annuleren"},
    {141, "Verwijder de simkaart niet!"},
    {142, "Laad eerst het telefoonboek."},
    {143, "Laad eerst de sms-berichten."},
    {144, "Pincode inschakelen, uitschakelen of wijzigen"},
    {145, "Deblokkeren"},
    {146, "De simkaart is geblokkeerd."},
    {147, "De pincode is uitgeschakeld."},
    {148, "De pincode is ingeschakeld."},
    {149, "De ingevoerde pincodes komen niet overeen."},
    {150, "Kan de pincode niet wijzigen."},
    {151, "De pincode is gewijzigd."},
    {152, "Kan de pincode niet inschakelen."},
    {153, "De pincode is ingeschakeld."},
    {154, "Kan de pincode niet uitschakelen."},
    {155, "De pincode is uitgeschakeld."},
    {156, "Nieuwe pincode:"},
    {157, "Bevestig pincode:"},
    {158, "Pincode wijzigen"},
    {159, "De simkaart is niet geblokkeerd."},
    {160, "De simkaart kan niet worden gedeblokkeerd."},
    {161, "Simkaart deblokkeren"},
    {162, "Voer de PUK-code in:"},
    {163, "Resterende pogingen PUK-code:"},
    {164, "Nieuwe pincode invoeren"},
    {165, "Deblokkeren is mislukt."},
    {166, "De simkaart is gedeblokkeerd."},
    {167, "Gegevens importeren of exporteren"},
    {168, "Kan het bestand niet openen."},
    {169, "Dit programma kan alleen met beheerdersrechten worden uitgevoerd!"},
    {170, "Taal selecteren"},
    {171, "Simkaartgegevens"},
    {172, "Totale grootte"},
    {173, "Grootte telefoonboek"},
    {174, "Grootte sms-geheugen"},
    {175, "Laatst gekozen"},
    {176, "Status laatst gekozen nummers: (Totaal / Gebruikt / Vrij)"},
    {177, "Kan de laatst gekozen nummers niet lezen."},
    {178, "Laad eerst de laatst gekozen nummers."},
    {179, "aaa"},
    {180, "Deze functie is nog niet beschikbaar."},
    {181, "Kan de kaartbibliotheek niet laden."},
    {182, "Records die niet naar de kaart zijn geschreven: %1. De wijzigingen blijven bewaard; "
          "probeer opnieuw op te slaan."},
    {183,
     "Records die niet gelezen konden worden: %1. De getoonde gegevens zijn mogelijk onvolledig."},
    {184, "De werkmap kan niet veilig worden gebruikt."},
    {185, "Er loopt een kaartbewerking. Wacht tot deze is voltooid."},
    {186, "Kan het bestand niet schrijven."},
    {187, "Het bestand is geen geldig gegevensbestand: %1 record(s) niet geïmporteerd."},
    {188, "De onthouden pincode is niet gebruikt, omdat er een andere kaart is geplaatst."},
    {189, "Het geheugen is vol. De overige items zijn niet geïmporteerd."},
    {190, "De kaartbibliotheek bevat de functie %1 niet."},
    {191, "Bij %1 item(s) was de tekst langer dan het veld en is deze ingekort."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "Pincode inschakelen"},
    {kCmdDisablePin, "Pincode uitschakelen"},
    {0, nullptr},
    {kCmdChangePin, "Pincode wijzigen"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Importeren"},
    {kCmdExport, "Exporteren"},
};

} // namespace

LanguageResources Dutch() {
    return {1043, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
