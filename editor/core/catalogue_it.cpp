// Italian texts of the editor (language 1040).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "&Informazioni su Brisken..."},
    {102, "N."},
    {103, "Nome"},
    {104, "Numero"},
    {105, "Stato SMS"},
    {106, "Data"},
    {107, "Messaggio"},
    {108, "Carica"},
    {109, "Salva"},
    {110, "Nuovo"},
    {111, "Elimina"},
    {112, "Chiudi"},
    {113, "Non usato"},
    {114, "Letto"},
    {115, "Da leggere"},
    {116, "Inviato"},
    {117, "Da inviare"},
    {118, "Impossibile connettersi alla scheda SIM."},
    {119, "Impossibile leggere i dati."},
    {120, "Impossibile leggere la rubrica."},
    {121, "Impossibile leggere gli SMS."},
    {122, "La capacità della rubrica della SIM non è sufficiente."},
    {123, "La capacità della memoria SMS della SIM non è sufficiente."},
    {124, "Impossibile verificare il codice PIN."},
    {125, "Sono presenti modifiche non salvate. Uscire comunque?"},
    {126, "Brisken"},
    {127, "Rubrica"},
    {128, "SMS"},
    {129, "Stato rubrica: (Totale / Usati / Liberi)"},
    {130, "Stato SMS: (Totale / Usati / Liberi)"},
    {131, "Stato SMS:"},
    {132, "Nome:"},
    {133, "Numero:"},
    {134, "Data SMS:"},
    {135, "Testo SMS:"},
    {136, "Inserimento codice PIN"},
    {137, "Inserire il codice PIN:"},
    {138, "Tentativi PIN rimanenti:"},
    {139, "OK"},
    {140, "Annulla"},
    {141, "Non rimuovere la scheda SIM!"},
    {142, "Caricare prima la rubrica."},
    {143, "Caricare prima gli SMS."},
    {144, "Attiva, disattiva o modifica il codice PIN"},
    {145, "Sblocca"},
    {146, "La scheda SIM è bloccata."},
    {147, "Il codice PIN è disattivato."},
    {148, "Il codice PIN è attivato."},
    {149, "I codici PIN inseriti non coincidono."},
    {150, "Impossibile modificare il codice PIN."},
    {151, "Codice PIN modificato."},
    {152, "Impossibile attivare il codice PIN."},
    {153, "Codice PIN attivato."},
    {154, "Impossibile disattivare il codice PIN."},
    {155, "Codice PIN disattivato."},
    {156, "Nuovo codice PIN:"},
    {157, "Conferma codice PIN:"},
    {158, "Modifica codice PIN"},
    {159, "La scheda SIM non è bloccata."},
    {160, "Impossibile sbloccare la scheda SIM."},
    {161, "Sblocca scheda SIM"},
    {162, "Inserire il codice PUK:"},
    {163, "Tentativi PUK rimanenti:"},
    {164, "Inserimento nuovo codice PIN"},
    {165, "Sblocco non riuscito."},
    {166, "Sblocco riuscito."},
    {167, "Importa o esporta dati"},
    {168, "Impossibile aprire il file."},
    {169, "Questo programma può essere eseguito solo con privilegi di amministratore!"},
    {170, "Seleziona lingua"},
    {171, "Informazioni sulla scheda SIM"},
    {172, "Dimensione totale"},
    {173, "Dimensione rubrica"},
    {174, "Dimensione SMS"},
    {175, "Numeri composti"},
    {176, "Stato numeri composti: (Totale / Usati / Liberi)"},
    {177, "Impossibile leggere i numeri composti."},
    {178, "Caricare prima i numeri composti."},
    {179, "aaa"},
    {180, "Questa funzione non è ancora disponibile."},
    {181, "Impossibile caricare la libreria della scheda."},
    {182,
     "Record non scritti sulla scheda: %1. Le modifiche vengono mantenute; riprovare a salvare."},
    {183, "Record non letti: %1. I dati visualizzati potrebbero essere incompleti."},
    {184, "La cartella di lavoro non può essere usata in modo sicuro."},
    {185, "Operazione sulla scheda in corso. Attendere il completamento."},
    {186, "Impossibile scrivere il file."},
    {187, "Il file non è un file di dati valido: %1 record non importati."},
    {188, "Il PIN memorizzato non è stato usato perché è inserita un'altra scheda."},
    {189, "La memoria è piena. Le voci rimanenti non sono state importate."},
    {190, "Nella libreria della scheda manca la funzione %1."},
    {191, "%1 voci avevano un testo più lungo del campo e sono state accorciate."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "Attiva codice PIN"},
    {kCmdDisablePin, "Disattiva codice PIN"},
    {0, nullptr},
    {kCmdChangePin, "Modifica codice PIN"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Importa"},
    {kCmdExport, "Esporta"},
};

} // namespace

LanguageResources Italian() {
    return {1040, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
