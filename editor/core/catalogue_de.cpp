// German texts of the editor (language 1031).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "&Info über Brisken..."},
    {102, "Nr."},
    {103, "Name"},
    {104, "Rufnummer"},
    {105, "SMS-Status"},
    {106, "Zeit"},
    {107, "Nachricht"},
    {108, "Laden"},
    {109, "Speichern"},
    {110, "Neu"},
    {111, "Löschen"},
    {112, "Schließen"},
    {113, "Unbenutzt"},
    {114, "Gelesen"},
    {115, "Ungelesen"},
    {116, "Gesendet"},
    {117, "Nicht gesendet"},
    {118, "Verbindung zur SIM-Karte fehlgeschlagen."},
    {119, "Die Daten konnten nicht gelesen werden."},
    {120, "Das Telefonbuch konnte nicht gelesen werden."},
    {121, "Die SMS konnten nicht gelesen werden."},
    {122, "Das Telefonbuch der SIM-Karte ist voll."},
    {123, "Der SMS-Speicher der SIM-Karte ist voll."},
    {124, "Die PIN-Überprüfung ist fehlgeschlagen."},
    {125, "Es gibt ungespeicherte Änderungen. Trotzdem beenden?"},
    {126, "Brisken"},
    {127, "Telefonbuch"},
    {128, "SMS"},
    {129, "Telefonbuch-Status: (Gesamt / Belegt / Frei)"},
    {130, "SMS-Speicher-Status: (Gesamt / Belegt / Frei)"},
    {131, "SMS-Status:"},
    {132, "Name:"},
    {133, "Rufnummer:"},
    {134, "SMS-Zeit:"},
    {135, "SMS-Text:"},
    {136, "PIN eingeben"},
    {137, "Bitte PIN eingeben:"},
    {138, "Verbleibende PIN-Versuche:"},
    {139, "OK"},
    {140, "Abbrechen"},
    {141, "Bitte die SIM-Karte nicht entfernen!"},
    {142, "Bitte zuerst das Telefonbuch laden."},
    {143, "Bitte zuerst die SMS laden."},
    {144, "PIN aktivieren, deaktivieren oder ändern"},
    {145, "Entsperren"},
    {146, "Die SIM-Karte ist gesperrt."},
    {147, "Die PIN-Abfrage ist deaktiviert."},
    {148, "Die PIN-Abfrage ist aktiviert."},
    {149, "Die eingegebenen PINs stimmen nicht überein."},
    {150, "Die PIN konnte nicht geändert werden."},
    {151, "Die PIN wurde geändert."},
    {152, "Die PIN-Abfrage konnte nicht aktiviert werden."},
    {153, "Die PIN-Abfrage wurde aktiviert."},
    {154, "Die PIN-Abfrage konnte nicht deaktiviert werden."},
    {155, "Die PIN-Abfrage wurde deaktiviert."},
    {156, "Neue PIN:"},
    {157, "PIN bestätigen:"},
    {158, "PIN ändern"},
    {159, "Die SIM-Karte ist nicht gesperrt."},
    {160, "Die SIM-Karte kann nicht entsperrt werden."},
    {161, "SIM-Karte entsperren"},
    {162, "Bitte PUK eingeben:"},
    {163, "Verbleibende PUK-Versuche:"},
    {164, "Neue PIN eingeben"},
    {165, "Die SIM-Karte konnte nicht entsperrt werden."},
    {166, "Die SIM-Karte wurde entsperrt."},
    {167, "Daten importieren oder exportieren"},
    {168, "Die Datei konnte nicht geöffnet werden."},
    {169, "Dieses Programm kann nur mit Administratorrechten ausgeführt werden!"},
    {170, "Sprache auswählen"},
    {171, "SIM-Karten-Informationen"},
    {172, "Gesamtgröße"},
    {173, "Größe des Telefonbuchs"},
    {174, "Größe des SMS-Speichers"},
    {175, "Zuletzt gewählt"},
    {176, "Status der zuletzt gewählten Nummern: (Gesamt / Belegt / Frei)"},
    {177, "Die zuletzt gewählten Nummern konnten nicht gelesen werden."},
    {178, "Bitte zuerst die zuletzt gewählten Nummern laden."},
    {179, "aaa"},
    {180, "Diese Funktion ist noch nicht verfügbar."},
    {181, "Die Kartenbibliothek konnte nicht geladen werden."},
    {182, "Nicht auf die Karte geschriebene Datensätze: %1. Die Änderungen bleiben erhalten; bitte "
          "erneut speichern."},
    {183,
     "Nicht gelesene Datensätze: %1. Die angezeigten Daten sind möglicherweise unvollständig."},
    {184, "Das Arbeitsverzeichnis kann nicht sicher verwendet werden."},
    {185, "Ein Kartenvorgang läuft. Bitte warten, bis er abgeschlossen ist."},
    {186, "Die Datei konnte nicht geschrieben werden."},
    {187, "Die Datei ist keine gültige Datendatei: %1 Datensätze wurden nicht importiert."},
    {188, "Die gespeicherte PIN wurde nicht verwendet, weil eine andere Karte eingelegt ist."},
    {189, "Der Speicher ist voll. Die übrigen Einträge wurden nicht importiert."},
    {190, "Der Kartenbibliothek fehlt die Funktion %1."},
    {191, "Bei %1 Einträgen war der Text länger als das Feld und wurde gekürzt."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "PIN-Abfrage aktivieren"},
    {kCmdDisablePin, "PIN-Abfrage deaktivieren"},
    {0, nullptr},
    {kCmdChangePin, "PIN ändern"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Importieren"},
    {kCmdExport, "Exportieren"},
};

} // namespace

LanguageResources German() {
    return {1031, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
