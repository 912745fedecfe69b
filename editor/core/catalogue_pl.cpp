// Polish texts of the editor (language 1045).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "&O programie Brisken..."},
    {102, "Nr"},
    {103, "Nazwa"},
    {104, "Numer telefonu"},
    {105, "Stan SMS"},
    {106, "Czas"},
    {107, "Wiadomość"},
    {108, "Wczytaj"},
    {109, "Zapisz"},
    {110, "Nowy"},
    {111, "Usuń"},
    {112, "Zamknij"},
    {113, "Nieużywana"},
    {114, "Przeczytana"},
    {115, "Nieprzeczytana"},
    {116, "Wysłana"},
    {117, "Do wysłania"},
    {118, "Nie udało się połączyć z kartą SIM."},
    {119, "Nie udało się odczytać danych."},
    {120, "Nie udało się odczytać książki telefonicznej."},
    {121, "Nie udało się odczytać wiadomości SMS."},
    {122, "Pojemność książki telefonicznej na karcie SIM jest niewystarczająca."},
    {123, "Pojemność pamięci SMS na karcie SIM jest niewystarczająca."},
    {124, "Nie udało się zweryfikować kodu PIN."},
    {125, "Dane zostały zmienione. Czy na pewno chcesz zakończyć?"},
    {126, "Brisken"},
    {127, "Książka telefoniczna"},
    {128, "SMS"},
    {129, "Stan książki telefonicznej: (Razem / Zajęte / Wolne)"},
    {130, "Stan pamięci SMS: (Razem / Zajęte / Wolne)"},
    {131, "Stan SMS:"},
    {132, "Nazwa:"},
    {133, "Numer telefonu:"},
    {134, "Czas SMS:"},
    {135, "Treść SMS:"},
    {136, "Wprowadzanie kodu PIN"},
    {137, "Wprowadź kod PIN:"},
    {138, "Pozostałe próby kodu PIN:"},
    {139, "OK"},
    {140, "Anuluj"},
    {141, "Nie wyjmuj karty SIM!"},
    {142, "Najpierw wczytaj książkę telefoniczną."},
    {143, "Najpierw wczytaj wiadomości SMS."},
    {144, "Włącz, wyłącz lub zmień kod PIN"},
    {145, "Odblokuj"},
    {146, "Karta SIM jest zablokowana."},
    {147, "Kod PIN jest wyłączony."},
    {148, "Kod PIN jest włączony."},
    {149, "Wprowadzone kody PIN nie są identyczne."},
    {150, "Nie udało się zmienić kodu PIN."},
    {151, "Kod PIN został zmieniony."},
    {152, "Nie udało się włączyć kodu PIN."},
    {153, "Kod PIN został włączony."},
    {154, "Nie udało się wyłączyć kodu PIN."},
    {155, "Kod PIN został wyłączony."},
    {156, "Nowy kod PIN:"},
    {157, "Potwierdź kod PIN:"},
    {158, "Zmiana kodu PIN"},
    {159, "Karta SIM nie jest zablokowana."},
    {160, "Nie można odblokować karty SIM."},
    {161, "Odblokowanie karty SIM"},
    {162, "Wprowadź kod PUK:"},
    {163, "Pozostałe próby kodu PUK:"},
    {164, "Wprowadzanie nowego kodu PIN"},
    {165, "Nie udało się odblokować karty SIM."},
    {166, "Karta SIM została odblokowana."},
    {167, "Importuj lub eksportuj dane"},
    {168, "Nie udało się otworzyć pliku."},
    {169, "Ten program można uruchomić tylko z uprawnieniami administratora!"},
    {170, "Wybierz język"},
    {171, "Informacje o karcie SIM"},
    {172, "Rozmiar całkowity"},
    {173, "Rozmiar książki telefonicznej"},
    {174, "Rozmiar pamięci SMS"},
    {175, "Ostatnio wybierane"},
    {176, "Stan ostatnio wybieranych: (Razem / Zajęte / Wolne)"},
    {177, "Nie udało się odczytać ostatnio wybieranych numerów."},
    {178, "Najpierw wczytaj ostatnio wybierane numery."},
    {179, "aaa"},
    {180, "Ta funkcja nie jest jeszcze dostępna."},
    {181, "Nie udało się wczytać biblioteki obsługi karty."},
    {182, "Liczba rekordów, których nie udało się zapisać na karcie: %1. Zmiany zostały zachowane; "
          "spróbuj zapisać ponownie."},
    {183, "Liczba rekordów, których nie udało się odczytać: %1. Wyświetlone dane mogą być "
          "niekompletne."},
    {184, "Katalog roboczy nie jest bezpieczny."},
    {185, "Trwa operacja na karcie. Zaczekaj na jej zakończenie."},
    {186, "Nie udało się zapisać pliku."},
    {187, "Plik nie jest prawidłowym plikiem danych: nie zaimportowano rekordów: %1."},
    {188, "Zapamiętany kod PIN nie został użyty, ponieważ włożono inną kartę."},
    {189, "Pamięć jest pełna. Pozostałe pozycje nie zostały zaimportowane."},
    {190, "Biblioteka obsługi karty nie zawiera funkcji %1."},
    {191, "W wpisach (%1) tekst był dłuższy niż pole i został skrócony."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "Włącz kod PIN"},
    {kCmdDisablePin, "Wyłącz kod PIN"},
    {0, nullptr},
    {kCmdChangePin, "Zmień kod PIN"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Importuj"},
    {kCmdExport, "Eksportuj"},
};

} // namespace

LanguageResources Polish() {
    return {1045, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
