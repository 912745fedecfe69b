// Turkish texts of the editor (language 1055).
#include "core/catalogue_languages.h"

namespace brisken::catalogue {
namespace {

constexpr Entry kEntries[] = {
    {101, "Brisken &Hakkında..."},
    {102, "No"},
    {103, "Ad"},
    {104, "Telefon No"},
    {105, "SMS Durumu"},
    {106, "Zaman"},
    {107, "Mesaj"},
    {108, "Yükle"},
    {109, "Kaydet"},
    {110, "Yeni"},
    {111, "Sil"},
    {112, "Kapat"},
    {113, "Kullanılmıyor"},
    {114, "Okundu"},
    {115, "Okunmadı"},
    {116, "Gönderildi"},
    {117, "Gönderilecek"},
    {118, "SIM karta bağlanılamadı."},
    {119, "Veriler okunamadı."},
    {120, "Rehber okunamadı."},
    {121, "SMS'ler okunamadı."},
    {122, "SIM kart rehberinin kapasitesi yetersiz."},
    {123, "SIM kart SMS belleğinin kapasitesi yetersiz."},
    {124, "PIN kodu doğrulanamadı."},
    {125, "Kaydedilmemiş değişiklikler var. Çıkmak istediğinizden emin misiniz?"},
    {126, "Brisken"},
    {127, "Rehber"},
    {128, "SMS"},
    {129, "Rehber Durumu: (Toplam / Dolu / Boş)"},
    {130, "SMS Belleği Durumu: (Toplam / Dolu / Boş)"},
    {131, "SMS Durumu:"},
    {132, "Ad:"},
    {133, "Telefon No:"},
    {134, "SMS Zamanı:"},
    {135, "SMS Mesajı:"},
    {136, "PIN Kodu Girin"},
    {137, "Lütfen PIN kodunu girin:"},
    {138, "Kalan PIN kodu deneme hakkı:"},
    {139, "Tamam"},
    {140, "İptal"},
    {141, "Lütfen SIM kartı çıkarmayın!"},
    {142, "Lütfen önce rehberi yükleyin."},
    {143, "Lütfen önce SMS'leri yükleyin."},
    {144, "PIN kodunu etkinleştir, devre dışı bırak veya değiştir"},
    {145, "Engeli Kaldır"},
    {146, "SIM kart engelli."},
    {147, "PIN kodu devre dışı."},
    {148, "PIN kodu etkin."},
    {149, "Girilen PIN kodları aynı değil."},
    {150, "PIN kodu değiştirilemedi."},
    {151, "PIN kodu başarıyla değiştirildi."},
    {152, "PIN kodu etkinleştirilemedi."},
    {153, "PIN kodu başarıyla etkinleştirildi."},
    {154, "PIN kodu devre dışı bırakılamadı."},
    {155, "PIN kodu başarıyla devre dışı bırakıldı."},
    {156, "Yeni PIN Kodu:"},
    {157, "PIN Kodunu Onaylayın:"},
    {158, "PIN Kodunu Değiştir"},
    {159, "SIM kart engelli değil."},
    {160, "SIM kartın engeli kaldırılamaz."},
    {161, "SIM Kartın Engelini Kaldır"},
    {162, "Lütfen PUK kodunu girin:"},
    {163, "Kalan PUK kodu deneme hakkı:"},
    {164, "Yeni PIN Kodunu Girin"},
    {165, "Engel kaldırılamadı."},
    {166, "Engel başarıyla kaldırıldı."},
    {167, "Verileri içe veya dışa aktar"},
    {168, "Dosya açılamadı."},
    {169, "Bu program yalnızca yönetici yetkisiyle çalıştırılabilir!"},
    {170, "Dil Seçin"},
    {171, "SIM Kart Bilgileri"},
    {172, "Toplam boyut"},
    {173, "Rehber boyutu"},
    {174, "SMS boyutu"},
    {175, "Son Arananlar"},
    {176, "Son Arananlar Durumu: (Toplam / Dolu / Boş)"},
    {177, "Son aranan numaralar okunamadı."},
    {178, "Lütfen önce son aranan numaraları yükleyin."},
    {179, "aaa"},
    {180, "Bu işlev henüz kullanılamıyor."},
    {181, "Kart kitaplığı yüklenemedi."},
    {182, "Karta yazılamayan kayıt sayısı: %1. Değişiklikler korunuyor; lütfen yeniden kaydedin."},
    {183, "Okunamayan kayıt sayısı: %1. Gösterilen veriler eksik olabilir."},
    {184, "Çalışma dizini güvenli değil."},
    {185, "Bir kart işlemi sürüyor. Lütfen işlem bitene kadar bekleyin."},
    {186, "Dosya yazılamadı."},
    {187, "Dosya geçerli bir veri dosyası değil: %1 kayıt içe aktarılmadı."},
    {188, "Takılı olan kart farklı olduğu için hatırlanan PIN kodu kullanılmadı."},
    {189, "Bellek dolu. Kalan girişler içe aktarılmadı."},
    {190, "Kart kitaplığında %1 işlevi yok."},
    {191, "%1 girdinin metni alanından uzundu ve kısaltıldı."},
};

constexpr MessageArray kMessages = OrderById(kEntries);

constexpr MenuItemText kMenuPinItems[] = {
    {kCmdEnablePin, "PIN Kodunu Etkinleştir"},
    {kCmdDisablePin, "PIN Kodunu Devre Dışı Bırak"},
    {0, nullptr},
    {kCmdChangePin, "PIN Kodunu Değiştir"},
};

constexpr MenuItemText kMenuImportExportItems[] = {
    {kCmdImport, "İçe Aktar"},
    {kCmdExport, "Dışa Aktar"},
};

} // namespace

LanguageResources Turkish() {
    return {1055, kMessages, kMenuPinItems, kMenuImportExportItems};
}

} // namespace brisken::catalogue
