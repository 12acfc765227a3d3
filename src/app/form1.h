// SPDX-License-Identifier: GPL-3.0-or-later
// The main window. It owns every control and the little state the program
// keeps, and wires the controls to the core: each user action arrives as one
// handler, named after its control and event. The handlers live in files by
// concern: form1_files.cpp (the file list), form1_editing.cpp (current file,
// find, clipboard), form1_check.cpp (unused files), form1_settings.cpp
// (settings, bounds, external editor).
#pragma once

#include "app/session_end.h"
#include "files/file_list.h"
#include "widgets/file_list_view.h" // filesLB, which tests use as the list view it is

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QFrame;
class QLabel;
class QListView;
class QLineEdit;
class QMenu;
class QAction;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace sheafpad {

class TIniFile;
namespace recovery {
struct Entry;
}
namespace search {
struct FileEdit;
struct FileNote;
struct FileResult;
struct MatchLine;
struct RecordedRename;
} // namespace search
class FileListModel;
class LinkCompleter;
class LinkFollower;
class LinksController;
class OutsideChanges;
class PaneHabits;
class RecentFolders;
class RecoveryKeeper;
class RenameController;
class SearchController;
class SearchWindow;
class SiteList;
class StatusLine;
class SyntaxColouring;
class TJvDirectoryEdit;
class TRichEdit;

// The find field's text at the first start (in the window's language).
inline constexpr const char* kFindPrompt =
    QT_TRANSLATE_NOOP("sheafpad::TForm1", "Type \"find\" text here + <Enter>");

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // State the program keeps. Public for the tests.
    std::string ExeDir;      // program file's directory with a trailing "/"
    std::string LoadedFName; // absolute path of the current file (bytes), fixed when opened
    bool NeedsSave = false;  // the changed flag
    // True while the pane holds the text last loaded from LoadedFName. False in
    // the introduction, after the unused-file report and after a failed open:
    // then nothing in the pane may be written anywhere.
    bool PaneHoldsLoadedFile = false;

    // Controls, named as in the layout.
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel3 = nullptr;
    QPlainTextEdit* TypesMemo = nullptr;
    TJvDirectoryEdit* dirEdit = nullptr;
    QLineEdit* FindEdit = nullptr;
    QPushButton* CheckButton = nullptr;
    QPushButton* QuitButton = nullptr;
    QLabel* lNeedsSave = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QCheckBox* SubfoldersBox = nullptr; // the list includes the subfolders' files
    FileListView* filesLB = nullptr;
    FileListModel* filesModel = nullptr;
    TRichEdit* Memo1 = nullptr;
    StatusLine* Status = nullptr;             // under the pane
    std::unique_ptr<SyntaxColouring> Colours; // the pane's syntax colours; goes before the pane
    QMenu* MemoPopupMenu = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* About1 = nullptr;       // "About Sheafpad", last in the pane's menu
    QMenu* FilesPopupMenu = nullptr; // the file list's context menu
    QAction* SearchInFiles1 = nullptr;
    QAction* OpenInEditor1 = nullptr;
    QAction* Rename1 = nullptr;
    QAction* RenameFolder1 = nullptr; // the selected file's folder
    QAction* Subfolders1 = nullptr;   // the file list's menu: as SubfoldersBox
    QAction* OpenFolder1 = nullptr;   // Ctrl+O: the desktop's folder chooser
    QAction* CheckLinks1 = nullptr;   // Ctrl+Shift+L: the Links report

    // Start-up and shutdown. FormClose returns false when the window must stay open.
    // OpenAtStart, before the window is shown (the command line): the folder
    // to list in place of the stored one, and the name in it to open ("":
    // none). A name that no pattern matches adds its own pattern.
    void OpenAtStart(std::string folder, std::string fileName);
    void FormShow();
    bool FormClose();
    void QuitButtonClick();

    // File list (form1_files.cpp, form1_site.cpp): the site's files, kept as
    // the disk has them by Site(); names are paths relative to the folder.
    void RefreshFileList();
    void TypesMemoChange();
    void dirEditChange();
    // The name selected in the file list, or nothing.
    std::optional<std::string> SelectedName() const;
    SiteList* Site() const { return site_; }
    // The pane's helpers: find, go to line, comments, pairs, the status line's fields.
    PaneHabits* Habits() const { return habits_; }
    // The site's links (form1_links.cpp).
    LinksController* Links() const { return links_; }
    LinkFollower* Follower() const { return follower_; }
    LinkCompleter* Completer() const { return completer_; }
    RecentFolders* RecentDirs() const { return recentDirs_; }

    // Current file and change tracking.
    void MarkChanged();
    void ClearChanged();
    void SaveIfChanged();
    void filesLBClick();
    void Memo1KeyDown(int& key, Qt::KeyboardModifiers shift);
    void SaveButtonClick();
    void CancelButtonClick();

    // Find: key is a Qt key code; set to 0 when the key was used. The focus
    // then goes to the pane, unless focusPane is false (the type list keeps
    // it, so that the next pattern typed goes there).
    void FindEditKeyDown(int& key, bool focusPane = true);

    // Clipboard and context menu. mousePos is (-1, -1) for a keyboard request.
    void Memo1ContextPopup(QPoint mousePos);
    void Copy1Click();
    void Cut1Click();
    void Paste1Click();
    void About1Click();

    // Unused-file check.
    void CheckButtonClick();

    // External editor.
    void filesLBDblClick();

    // Search and replace (form1_search.cpp; the work is SearchController's).
    // Ctrl+Shift+F and Ctrl+Shift+H open the search window over the listed
    // files, Ctrl+H over the open file (nullptr until then: SearchFiles()).
    SearchWindow* SearchFiles() const;
    SearchController* Search() const { return search_; }
    // Renames the selected file, asking first whether to replace the
    // references to it (F2 in the list; F2 in the pane renames the open file).
    void RenameClick();
    // Renames or moves the selected file's folder, keeping the links.
    void RenameFolderClick();
    void filesLBContextPopup(QPoint pos);

    // Window bounds: the outer frame in screen coordinates.
    QRect OuterBounds() const;
    void SetOuterBounds(const QRect& bounds);

    // Settings file (form1_settings.cpp): "Sheafpad.ini" beside the program
    // or in the user's config folder (settings::SettingsFileFor), or
    // SettingsPathOverride when that is set (tests keep theirs apart).
    std::string SettingsPath() const;
    std::string SettingsPathOverride;
    // The session or the process is ending (log-off, SIGTERM, SIGHUP): saves a
    // changed current file, writes no settings, and lets the close that the
    // ending session brings through without running FormClose (also after a
    // failed save when nobody may be told and the edit is kept in its
    // recovery copy). Returns false when the save failed or was skipped; the
    // user is told when mayInteract.
    bool SaveForEndOfSession(bool mayInteract);
    // A termination signal (SIGTERM, SIGHUP, SIGINT, SIGQUIT): true when the
    // program may end, the edit being written or, where the write was
    // refused or failed, safe in its recovery copy for the next start (the
    // reason goes to standard error). Otherwise the user is told and false
    // keeps the program running, so the edit is not lost.
    bool EndOnSignal();
    // Yes/no questions, No being the default: "quit without saving the
    // settings?" after a failed settings write at close, and "overwrite
    // another program's change?" before a write. A hook, when set, gets each
    // question's text instead of the user and answers true for yes.
    using QuestionHook = std::function<bool(const QString& text)>;
    static void SetQuestionHook(QuestionHook hook);
    bool AskQuestion(const QString& text, bool defaultYes = false);

    // Files changed by other programs (form1_outside.cpp). LoadCurrentFile
    // loads LoadedFName into the pane and remembers what the file was;
    // WriteCurrentFile writes the pane into it, asking first when another
    // program changed it since (throws EAbort when the user keeps theirs).
    void LoadCurrentFile();
    void WriteCurrentFile();
    OutsideChanges* Outside();

    // Recovery copies of unsaved edits (form1_recovery.cpp). Started once the
    // window is shown: keeps copies in dir (default: the user's state folder)
    // and offers those that ended runs left behind, all in one question.
    void StartRecovery(std::string dir = {});
    RecoveryKeeper* Recovery() const { return recovery_; }
    // The question about the copies (its text, and a line for each copy,
    // oldest first): the answer for each copy, Later for all when it is
    // closed without one.
    enum class RecoveryAnswer { Restore, Discard, Later };
    using RecoveryQuestionHook = std::function<std::vector<RecoveryAnswer>(
        const QString& text, const std::vector<QString>& copies)>;
    static void SetRecoveryQuestionHook(RecoveryQuestionHook hook);
    // Notes that need no answer (a copy that cannot be written, recovered
    // text put on the clipboard).
    using NoticeHook = std::function<void(const QString& text)>;
    static void SetNoticeHook(NoticeHook hook);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void SetToolTipDurations();
    void WidenForPrompt();     // the fields' column, so that the find field shows its prompt
    void FitButtonsToTexts();  // the buttons, so that a translation shows whole
    void GrowColumn(int grow); // the fields and the left panel, by grow pixels when positive
    void ConnectHandlers();
    void ConnectPaneHandlers(); // form1_editing.cpp
    void ConnectColours();      // form1_colours.cpp
    void ReadSettings();        // form1_settings.cpp
    void WriteSettings();       // form1_settings.cpp
    // The pane's section of the settings, read or written after [Initial].
    void PaneSettings(TIniFile& ini, bool write); // form1_settings.cpp
    bool AskQuitWithoutSettings();
    void ConnectRecovery(); // form1_recovery.cpp
    void ConnectSearch();   // form1_search.cpp
    void ConnectSite();     // form1_site.cpp
    void ConnectLinks();    // form1_links.cpp
    // The open file's path relative to the listed folder; empty when the
    // pane holds no file of it.
    std::string OpenSitePath() const;
    // The site's section of the settings, read before [Initial] is applied
    // (so that the folder is listed once) and written after the others.
    void SiteSettings(TIniFile& ini, bool write); // form1_site.cpp
    void AddAboutEntry(); // form1_layout.cpp: after every other entry of the pane's menu
    std::vector<std::string> ListedPaths() const;
    void MakeSearch();                        // form1_search.cpp
    void OpenListed(const std::string& path); // as a click in the list does
    void ConnectRename();                     // form1_replace.cpp
    void Rename(const std::string& name, bool folder);
    void OfferRecoveredEdits(); // form1_recovery.cpp
    // Puts the recovered text in the pane; files: its copy's, which go once
    // this run's copy of it is written.
    void RestoreRecovered(const recovery::Entry& entry, std::vector<std::string> files);
    void SelectListedName(const std::string& path);
    // Writes the recovery copy now; true when unsaved edits are on disk in it.
    bool HoldRecoveryCopy();          // form1_recovery.cpp
    void EndRecoveryHold(bool saved); // form1_recovery.cpp
    // layout: the bounds before the settings were read. A stored size keeps
    // the layout's width or height whatever the screen; the layout's bounds
    // themselves (none stored) are fitted into the screen.
    void KeepOnScreen(const QRect& layout);
    QMargins FrameMargins() const;

    // Bounds set before the window frame was known; applied again once the
    // window manager has framed the window, so that the frame lands there.
    std::optional<QRect> pendingBounds_;
    SessionEndClose sessionEnd_;        // lets the ending session's close skip FormClose
    OutsideChanges* outside_ = nullptr; // made with the first load
    bool noQuestions_ = false;          // the session is ending: nothing may be asked

    void ApplyStartPlace();               // form1_files.cpp
    std::string startFolder_, startName_; // OpenAtStart's

    bool shown_ = false; // FormShow has run
    RecoveryKeeper* recovery_ = nullptr;
    SearchController* search_ = nullptr;
    bool closeAfterRun_ = false; // a close came while files were being changed
    RenameController* renamer_ = nullptr;
    SiteList* site_ = nullptr; // the listed files, following the disk
    LinksController* links_ = nullptr;
    LinkFollower* follower_ = nullptr;
    LinkCompleter* completer_ = nullptr;
    RecentFolders* recentDirs_ = nullptr; // the folders shown last, Ctrl+O
    PaneHabits* habits_ = nullptr;
};

} // namespace sheafpad
