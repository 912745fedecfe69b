// French texts of the editor (language 1036).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "À &propos de Brisken..."},
    {102, "N°"},
    {103, "Nom"},
    {104, "N° de téléphone"},
    {105, "État du SMS"},
    {106, "Date"},
    {107, "Message"},
    {108, "Charger"},
    {109, "Enregistrer"},
    {110, "Nouveau"},
    {111, "Supprimer"},
    {112, "Fermer"},
    {113, "Inutilisé"},
    {114, "Lu"},
    {115, "Non lu"},
    {116, "Envoyé"},
    {117, "À envoyer"},
    {118, "Échec de la connexion à la carte SIM."},
    {119, "Échec de la lecture des données."},
    {120, "Échec de la lecture du répertoire."},
    {121, "Échec de la lecture des SMS."},
    {122, "La capacité du répertoire de la carte SIM est insuffisante."},
    {123, "La capacité de stockage SMS de la carte SIM est insuffisante."},
    {124, "Échec de la vérification du code PIN."},
    {125, "Vous avez modifié des données. Voulez-vous vraiment quitter ?"},
    {126, "Brisken"},
    {127, "Répertoire"},
    {128, "SMS"},
    {129, "État du répertoire : (Total / Utilisés / Libres)"},
    {130, "État des SMS : (Total / Utilisés / Libres)"},
    {131, "État du SMS :"},
    {132, "Nom :"},
    {133, "N° de téléphone :"},
    {134, "Date du SMS :"},
    {135, "Texte du SMS :"},
    {136, "Saisie du code PIN"},
    {137, "Veuillez saisir le code PIN :"},
    {138, "Essais restants pour le code PIN :"},
    {139, "OK"},
    {140, "Annuler"},
    {141, "Veuillez ne pas retirer la carte SIM !"},
    {142, "Veuillez d'abord charger le répertoire."},
    {143, "Veuillez d'abord charger les SMS."},
    {144, "Activer, désactiver ou modifier le code PIN"},
    {145, "Débloquer"},
    {146, "La carte SIM est bloquée."},
    {147, "Le code PIN est désactivé."},
    {148, "Le code PIN est activé."},
    {149, "Les codes PIN saisis ne sont pas identiques."},
    {150, "Échec de la modification du code PIN."},
    {151, "Le code PIN a été modifié."},
    {152, "Échec de l'activation du code PIN."},
    {153, "Le code PIN a été activé."},
    {154, "Échec de la désactivation du code PIN."},
    {155, "Le code PIN a été désactivé."},
    {156, "Nouveau code PIN :"},
    {157, "Confirmer le code PIN :"},
    {158, "Modifier le code PIN"},
    {159, "La carte SIM n'est pas bloquée."},
    {160, "La carte SIM ne peut pas être débloquée."},
    {161, "Débloquer la carte SIM"},
    {162, "Veuillez saisir le code PUK :"},
    {163, "Essais restants pour le code PUK :"},
    {164, "Saisie du nouveau code PIN"},
    {165, "Échec du déblocage."},
    {166, "La carte SIM a été débloquée."},
    {167, "Importer ou exporter des données"},
    {168, "Impossible d'ouvrir le fichier."},
    {169, "Ce programme ne peut être exécuté qu'avec des droits d'administrateur !"},
    {170, "Choisir la langue"},
    {171, "Informations sur la carte SIM"},
    {172, "Taille totale"},
    {173, "Taille du répertoire"},
    {174, "Taille des SMS"},
    {175, "Derniers numéros"},
    {176, "État des derniers numéros : (Total / Utilisés / Libres)"},
    {177, "Échec de la lecture des derniers numéros composés."},
    {178, "Veuillez d'abord charger les derniers numéros composés."},
    {179, "aaa"},
    {180, "Cette fonction n'est pas encore disponible."},
    {181, "Impossible de charger la bibliothèque de la carte."},
    {182, "Enregistrements non écrits sur la carte : %1. Les modifications sont conservées ; "
          "réessayez d'enregistrer."},
    {183, "Enregistrements non lus : %1. Les données affichées sont peut-être incomplètes."},
    {184, "Le dossier de travail ne peut pas être utilisé en toute sécurité."},
    {185, "Une opération sur la carte est en cours. Veuillez attendre qu'elle se termine."},
    {186, "Impossible d'écrire le fichier."},
    {187, "Ce fichier n'est pas un fichier de données valide : %1 enregistrement(s) non importé(s)."},
    {188, "Le code PIN mémorisé n'a pas été utilisé, car une autre carte est insérée."},
    {189, "La mémoire est pleine. Les entrées restantes n'ont pas été importées."},
    {190, "La fonction %1 est absente de la bibliothèque de la carte."},
    {191, "%1 entrée(s) avaient un texte plus long que leur champ et ont été raccourcies."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "Activer le code PIN"},
    {kCmdDisablePin, "Désactiver le code PIN"},
    {0, nullptr},
    {kCmdChangePin, "Modifier le code PIN"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Importer"},
    {kCmdExport, "Exporter"},
};

} // namespace

LanguageResources French() {
    return {1036, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
