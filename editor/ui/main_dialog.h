// The editor's main window (layout 175): the frame of controls, texts in the
// interface language, the view switch, layout on resize, background bands,
// busy and idle states and the close confirmation.
#pragma once

#include "core/book_transfer.h"
#include "core/card_data.h"
#include "core/card_library.h"
#include "core/dont_remove_notice.h"
#include "core/main_frame.h"
#include "core/pin_runner.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace brisken {

class BookLoader;
class BookSaver;
class CardInformation;
class CardInfoView;
class CColorLabel;
class LoadView;
class SaveView;
class CColorListCtrl;
class CDialNumberEdit;
class CPictureButton;

class MainDialog : public QDialog {
    Q_OBJECT
public:
    explicit MainDialog(QWidget* parent = nullptr);
    ~MainDialog() override;

    // Initialisation; false when a picture could not be loaded (the window
    // then stays without texts, as its start stopped there).
    bool OnInitDialog();
    // Applies every text in the interface language; again after each change.
    void InitializeUI();

    void SwitchView(int radioId);
    void ApplyLayout(int width, int height);
    void EnterBusyState();
    void EnterIdleState();
    bool IsBusy() const { return busy_; }
    void OnCommand(int command);
    void OnAbout();
    void OnSelectLanguage();

    ViewState CurrentView() const { return view_; }
    Books& BookStore() { return *books_; }
    QString SettingsPath() const { return settingsPath_; }
    void SetSettingsPath(const QString& path) { settingsPath_ = path; }

    // Brings the window to the user, as when another start hands over to it.
    void ComeToFront();

    QWidget* Control(int id) const;

    // Load of the current view's book (button 1001); the rest of it runs on
    // the read timer until the list is rebuilt.
    void OnButtonReadsim();
    bool LoadRunning() const;
    // Save of the current view's book (button 1007) and the card information
    // (button 1041); both finish on their own timers (main_dialog_save.cpp).
    void OnButtonSave();
    void OnButtonSiminfo();
    bool SaveRunning() const;
    bool InfoRunning() const;
    // Replaces the list's rows by these; a changed entry's row is red.
    static void FillList(CColorListCtrl* list, const std::vector<BookRow>& rows);

    // What the card actions work with. The program uses the deployed
    // library; tests put in a scripted one, prompts that answer, and so on.
    CardLibrary& Library() { return *cardLibrary_; }
    // Refused (false) while a card operation runs on the current one.
    bool SetCardLibrary(std::unique_ptr<CardLibrary> library);
    PinRunner& Pins() { return pinRunner_; }
    PinPrompt* Prompt() { return pinPrompt_.get(); }
    void SetPinPrompt(std::unique_ptr<PinPrompt> prompt) { pinPrompt_ = std::move(prompt); }
    // The file dialogs of Import and Export; tests and benchmarks may answer
    // them in place of the toolkit's dialog.
    struct FileDialogRequest {
        bool save = false;
        QString initialName;
        QStringList filters;
    };
    struct FileChoice {
        QString path; // empty: cancelled
        int filter = -1;
    };
    using FileChooser = std::function<FileChoice(const FileDialogRequest&)>;
    void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
    DontRemoveNotice* Notice() { return dontRemove_.get(); }
    void SetDontRemoveNotice(std::unique_ptr<DontRemoveNotice> notice) {
        dontRemove_ = std::move(notice);
    }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void accept() override;

private:
    void CreateControls();
    CPictureButton* AddPictureButton(int id);
    template <typename Widget> Widget* Add(int id, Widget* widget);
    void ApplyVisibility();
    bool ConfirmClose();
    void OnCardAction(int command);

    // Editing of the books through lists and fields (main_dialog_editing.cpp).
    void ConnectEditing();
    CColorListCtrl* ListOf(ViewState view) const;
    void OnListSelection(CColorListCtrl* list);
    void OnFieldEdited(int fieldId);
    void OnNew();
    void OnDelete();
    void FillPhoneFields(const PhoneEntry& entry, bool writable);
    void FillSmsFields(const SmsEntry& entry, bool rawForms);
    void ClearFields();
    void SetLineText(int fieldId, const QString& text, int typingLimit);
    void SetMessageText(const QString& text);
    void OnPinAction(PinAction action);

    // Import and Export (main_dialog_files.cpp).
    void OnImport();
    void OnExport();
    FileChoice ChooseFile(const FileDialogRequest& request);
    FileChoice RunFileDialog(const FileDialogRequest& request);
    FileChooser fileChooser_;
    bool filling_ = false; // fields being filled from an entry, not typed

    std::map<int, QWidget*> controls_;
    std::unique_ptr<Books> books_;
    ViewState view_;
    bool busy_ = false;
    bool closeConfirmed_ = false;
    int layoutWidth_ = 0;
    int layoutHeight_ = 0;
    QString settingsPath_;
    QString aboutText_;

    std::unique_ptr<CardLibrary> cardLibrary_;
    PinRunner pinRunner_;
    std::unique_ptr<PinPrompt> pinPrompt_;
    std::unique_ptr<DontRemoveNotice> dontRemove_;

    // Load (main_dialog_load.cpp). Declared after the stores and the library
    // so that the loader, which joins its worker, goes first.
    class LoadWindow;
    CColorListCtrl* ListOf(BookKind kind) const;
    std::unique_ptr<LoadView> loadWindow_;
    std::unique_ptr<BookLoader> loader_;
    QTimer* readTimer_ = nullptr;
    class SaveWindow;
    class InfoWindow;
    BookKind CurrentBookKind() const;
    PinPrompt& PromptOrDecline();
    std::unique_ptr<SaveView> saveWindow_;
    std::unique_ptr<BookSaver> saver_;
    QTimer* writeTimer_ = nullptr;
    std::unique_ptr<CardInfoView> infoWindow_;
    std::unique_ptr<CardInformation> cardInfo_;
    QTimer* infoTimer_ = nullptr;

    CColorListCtrl* phoneList_ = nullptr;
    CColorListCtrl* smsList_ = nullptr;
    CColorListCtrl* lastDialList_ = nullptr;
    QComboBox* smsSelector_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

} // namespace brisken
