// Spanish texts of the editor (language 3082).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "&Acerca de Brisken..."},
    {102, "N.º"},
    {103, "Nombre"},
    {104, "Teléfono"},
    {105, "Estado del SMS"},
    {106, "Fecha"},
    {107, "Mensaje"},
    {108, "Cargar"},
    {109, "Guardar"},
    {110, "Nuevo"},
    {111, "Eliminar"},
    {112, "Cerrar"},
    {113, "Sin usar"},
    {114, "Leído"},
    {115, "No leído"},
    {116, "Enviado"},
    {117, "Por enviar"},
    {118, "No se ha podido conectar con la tarjeta SIM."},
    {119, "No se han podido leer los datos."},
    {120, "No se ha podido leer la agenda."},
    {121, "No se han podido leer los SMS."},
    {122, "La agenda de la tarjeta SIM no tiene capacidad suficiente."},
    {123, "La memoria de SMS de la tarjeta SIM no tiene capacidad suficiente."},
    {124, "No se ha podido verificar el código PIN."},
    {125, "Ha modificado datos. ¿Seguro que desea salir?"},
    {126, "Brisken"},
    {127, "Agenda"},
    {128, "SMS"},
    {129, "Estado de la agenda: (Total / Usados / Libres)"},
    {130, "Estado de los SMS: (Total / Usados / Libres)"},
    {131, "Estado del SMS:"},
    {132, "Nombre:"},
    {133, "Teléfono:"},
    {134, "Fecha del SMS:"},
    {135, "Texto del SMS:"},
    {136, "Introducir código PIN"},
    {137, "Introduzca el código PIN:"},
    {138, "Intentos restantes del código PIN:"},
    {139, "Aceptar"},
    {140, "Cancelar"},
    {141, "¡No retire la tarjeta SIM!"},
    {142, "Cargue primero la agenda."},
    {143, "Cargue primero los SMS."},
    {144, "Activar, desactivar o cambiar el código PIN"},
    {145, "Desbloquear"},
    {146, "La tarjeta SIM está bloqueada."},
    {147, "El código PIN está desactivado."},
    {148, "El código PIN está activado."},
    {149, "Los códigos PIN introducidos no coinciden."},
    {150, "No se ha podido cambiar el código PIN."},
    {151, "El código PIN se ha cambiado correctamente."},
    {152, "No se ha podido activar el código PIN."},
    {153, "El código PIN se ha activado correctamente."},
    {154, "No se ha podido desactivar el código PIN."},
    {155, "El código PIN se ha desactivado correctamente."},
    {156, "Nuevo código PIN:"},
    {157, "Confirmar código PIN:"},
    {158, "Cambiar código PIN"},
    {159, "La tarjeta SIM no está bloqueada."},
    {160, "No se puede desbloquear la tarjeta SIM."},
    {161, "Desbloquear tarjeta SIM"},
    {162, "Introduzca el código PUK:"},
    {163, "Intentos restantes del código PUK:"},
    {164, "Introducir nuevo código PIN"},
    {165, "No se ha podido desbloquear la tarjeta SIM."},
    {166, "La tarjeta SIM se ha desbloqueado correctamente."},
    {167, "Importar o exportar datos"},
    {168, "No se ha podido abrir el archivo."},
    {169, "¡Este programa solo se puede ejecutar con privilegios de administrador!"},
    {170, "Seleccionar idioma"},
    {171, "Información de la tarjeta SIM"},
    {172, "Tamaño total"},
    {173, "Tamaño de la agenda"},
    {174, "Tamaño de los SMS"},
    {175, "Últimas llamadas"},
    {176, "Estado de las últimas llamadas: (Total / Usados / Libres)"},
    {177, "No se han podido leer las últimas llamadas."},
    {178, "Cargue primero las últimas llamadas."},
    {179, "aaa"},
    {180, "Esta función aún no está disponible."},
    {181, "No se ha podido cargar la biblioteca de la tarjeta."},
    {182, "Registros no escritos en la tarjeta: %1. Los cambios se conservan; vuelva a guardar."},
    {183, "Registros no leídos: %1. Es posible que los datos mostrados estén incompletos."},
    {184, "El directorio de trabajo no se puede usar de forma segura."},
    {185, "Hay una operación en curso con la tarjeta. Espere a que termine."},
    {186, "No se ha podido escribir el archivo."},
    {187, "El archivo no es un archivo de datos válido: no se han importado %1 registro(s)."},
    {188, "No se ha usado el PIN recordado porque hay otra tarjeta insertada."},
    {189, "La memoria está llena. Las entradas restantes no se han importado."},
    {190, "La biblioteca de la tarjeta no contiene la función %1."},
    {191, "%1 entrada(s) tenían un texto más largo que su campo y se han acortado."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "Activar código PIN"},
    {kCmdDisablePin, "Desactivar código PIN"},
    {0, nullptr},
    {kCmdChangePin, "Cambiar código PIN"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "Importar"},
    {kCmdExport, "Exportar"},
};

} // namespace

LanguageResources Spanish() {
    return {3082, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
