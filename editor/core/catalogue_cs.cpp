// Czech texts of the editor (language 1029).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "&O programu Brisken..."},
    {102, "Č."},
    {103, "Jméno"},
    {104, "Telefonní číslo"},
    {105, "Stav SMS"},
    {106, "Čas"},
    {107, "Zpráva"},
    {108, "Načíst"},
    {109, "Uložit"},
    {110, "Nový"},
    {111, "Odstranit"},
    {112, "Zavřít"},
    {113, "Nepoužito"},
    {114, "Přečteno"},
    {115, "Nepřečteno"},
    {116, "Odesláno"},
    {117, "K odeslání"},
    {118, "Nepodařilo se připojit k SIM kartě."},
    {119, "Nepodařilo se načíst data."},
    {120, "Nepodařilo se načíst telefonní seznam."},
    {121, "Nepodařilo se načíst zprávy SMS."},
    {122, "Kapacita telefonního seznamu na SIM kartě nestačí."},
    {123, "Kapacita paměti SMS na SIM kartě nestačí."},
    {124, "Nepodařilo se ověřit kód PIN."},
    {125, "Data byla změněna. Opravdu chcete program ukončit?"},
    {126, "Brisken"},
    {127, "Telefonní seznam"},
    {128, "SMS"},
    {129, "Stav telefonního seznamu: (Celkem / Obsazeno / Volno)"},
    {130, "Stav paměti SMS: (Celkem / Obsazeno / Volno)"},
    {131, "Stav SMS:"},
    {132, "Jméno:"},
    {133, "Telefonní číslo:"},
    {134, "Čas SMS:"},
    {135, "Text SMS:"},
    {136, "Zadání kódu PIN"},
    {137, "Zadejte kód PIN:"},
    {138, "Zbývající pokusy pro kód PIN:"},
    {139, "OK"},
    {140, "Storno"},
    {141, "Nevyjímejte SIM kartu!"},
    {142, "Nejprve načtěte telefonní seznam."},
    {143, "Nejprve načtěte zprávy SMS."},
    {144, "Zapnout, vypnout nebo změnit kód PIN"},
    {145, "Odblokovat"},
    {146, "SIM karta je zablokována."},
    {147, "Kód PIN je vypnutý."},
    {148, "Kód PIN je zapnutý."},
    {149, "Zadané kódy PIN se neshodují."},
    {150, "Kód PIN se nepodařilo změnit."},
    {151, "Kód PIN byl úspěšně změněn."},
    {152, "Kód PIN se nepodařilo zapnout."},
    {153, "Kód PIN byl úspěšně zapnut."},
    {154, "Kód PIN se nepodařilo vypnout."},
    {155, "Kód PIN byl úspěšně vypnut."},
    {156, "Nový kód PIN:"},
    {157, "Potvrzení kódu PIN:"},
    {158, "Změna kódu PIN"},
    {159, "SIM karta není zablokována."},
    {160, "SIM kartu nelze odblokovat."},
    {161, "Odblokování SIM karty"},
    {162, "Zadejte kód PUK:"},
    {163, "Zbývající pokusy pro kód PUK:"},
    {164, "Zadání nového kódu PIN"},
    {165, "Odblokování se nezdařilo."},
    {166, "Odblokování proběhlo úspěšně."},
    {167, "Import nebo export dat"},
    {168, "Soubor se nepodařilo otevřít."},
    {169, "Tento program lze spustit pouze s oprávněním správce!"},
    {170, "Výběr jazyka"},
    {171, "Informace o SIM kartě"},
    {172, "Celková velikost"},
    {173, "Velikost telefonního seznamu"},
    {174, "Velikost paměti SMS"},
    {175, "Volaná čísla"},
    {176, "Stav volaných čísel: (Celkem / Obsazeno / Volno)"},
    {177, "Nepodařilo se načíst volaná čísla."},
    {178, "Nejprve načtěte volaná čísla."},
    {179, "aaa"},
    {180, "Tato funkce zatím není k dispozici."},
    {181, "Knihovnu pro práci s kartou se nepodařilo načíst."},
    {182, "Počet záznamů, které se nepodařilo zapsat na kartu: %1. Změny zůstávají zachovány; "
          "zkuste je uložit znovu."},
    {183, "Počet záznamů, které se nepodařilo načíst: %1. Zobrazená data nemusí být úplná."},
    {184, "Pracovní adresář nelze bezpečně použít."},
    {185, "Probíhá operace s kartou. Počkejte prosím na její dokončení."},
    {186, "Soubor se nepodařilo zapsat."},
    {187, "Soubor není platný datový soubor: %1 záznam(ů) nebylo importováno."},
    {188, "Zapamatovaný kód PIN nebyl použit, protože je vložena jiná karta."},
    {189, "Paměť je plná. Zbývající položky nebyly importovány."},
    {190, "Knihovna pro práci s kartou neobsahuje funkci %1."},
    {191, "U položek (%1) byl text delší než pole a byl zkrácen."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "Zapnout kód PIN"},
    {kCmdDisablePin, "Vypnout kód PIN"},
    {0, nullptr},
    {kCmdChangePin, "Změnit kód PIN"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Importovat"},
    {kCmdExport, "Exportovat"},
};

} // namespace

LanguageResources Czech() {
    return {1029, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
