// The GTK face's message boxes and file dialogs: MessageBoxA as a message
// dialog with the game's buttons, GetOpenFileNameA / GetSaveFileNameA as a
// file chooser that takes only names the game can hold.
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/gtk_face_internal.h"
#include "platform/text_encoding.h"

namespace gtk_face {

namespace {

GtkWindow* ParentOf(HWND owner) {
  if (GtkWin* w = Win(owner)) return GTK_WINDOW(w->window);
  for (auto& [h, w] : FS().windows) return GTK_WINDOW(w->window);
  return nullptr;
}

struct BoxButton {
  int id;
  const char* label;
};

std::vector<BoxButton> BoxButtons(UINT type) {
  static const BoxButton ok{IDOK, "OK"}, cancel{IDCANCEL, "キャンセル"}, yes{IDYES, "はい(_Y)"},
      no{IDNO, "いいえ(_N)"}, abort{IDABORT, "中止(_A)"}, retry{IDRETRY, "再試行(_R)"},
      ignore{IDIGNORE, "無視(_I)"};
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {ok, cancel};
    case MB_ABORTRETRYIGNORE: return {abort, retry, ignore};
    case MB_YESNOCANCEL: return {yes, no, cancel};
    case MB_YESNO: return {yes, no};
    case MB_RETRYCANCEL: return {retry, cancel};
    default: return {ok};
  }
}

// Why the chooser does not close, in a box over it under its own title;
// the chooser stays as it was, the name typed still in it.
void TellInChooser(GtkWidget* chooser, const std::string& title, const std::string& text) {
  platform::NoteFileDialogTold(text);
  GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(chooser), GTK_DIALOG_MODAL,
                                          GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), title.c_str());
  KeepOnWorkArea(box);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

// The chooser greys its accept button out while nothing is chosen, and
// looks at a typed name again only 150 ms after the last key: a Return that
// follows the typing faster than that would fall on the greyed button and
// be lost, and the player would believe the stage saved. Before the typed
// name's Return reaches the button, the button is made to match it; the
// chooser still checks the name as for a click.
gboolean ReturnTakesTypedName(GtkWidget* dialog, GdkEventKey* event, gpointer) {
  if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter &&
      event->keyval != GDK_KEY_ISO_Enter)
    return FALSE;
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog));
  GtkWidget* accept = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  if (accept && GTK_IS_ENTRY(focus) && gtk_entry_get_activates_default(GTK_ENTRY(focus)) &&
      gtk_entry_get_text_length(GTK_ENTRY(focus)) > 0)
    gtk_widget_set_sensitive(accept, TRUE);
  return FALSE;
}

// The chooser's path bar asks room for each folder's whole name: one long
// name would widen the chooser past the screen. A long name gets the room of
// a short one and is shown with an ellipsis in the middle.
void ShortenLabels(GtkWidget* widget, gpointer) {
  constexpr int kLongestName = 160;  // pixels
  if (GTK_IS_LABEL(widget)) {
    int width = -1, height = -1;
    gtk_widget_get_size_request(widget, &width, &height);
    if (width < 0) gtk_widget_get_preferred_width(widget, nullptr, &width);
    if (width > kLongestName) {
      gtk_widget_set_size_request(widget, kLongestName, height);
      gtk_label_set_ellipsize(GTK_LABEL(widget), PANGO_ELLIPSIZE_MIDDLE);
    }
  } else if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(GTK_CONTAINER(widget), ShortenLabels, nullptr);
  }
}

// Folder names shown in the chooser's path bar and in its side bar (which
// also lists the folder the game was started from) are shortened as they
// come: the side bar makes its rows anew whenever its places change.
void ShortenFolderNames(GtkWidget* widget, gpointer) {
  if (std::string(G_OBJECT_TYPE_NAME(widget)) == "GtkPathBar" || GTK_IS_LIST_BOX(widget)) {
    ShortenLabels(widget, nullptr);
    g_signal_connect_after(widget, "add", G_CALLBACK(+[](GtkContainer*, GtkWidget* button, gpointer) {
      ShortenLabels(button, nullptr);
    }), nullptr);
  } else if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(GTK_CONTAINER(widget), ShortenFolderNames, nullptr);
  }
}

// The chooser completes a typed name inline from the folder's files; keys
// typed while it does are added after its completion, and a name typed in a
// hurry becomes another one ("abcdefghij.stg" with "abcdefghi.stg" beside
// it: "abcdefghibcdefghij.stg"). Its name entries, made as the chooser needs
// them, take only what is typed; the list of matching files still shows.
void OnChooserFocus(GtkWindow*, GtkWidget* focus, gpointer) {
  if (!focus || !GTK_IS_ENTRY(focus)) return;
  GtkEntryCompletion* completion = gtk_entry_get_completion(GTK_ENTRY(focus));
  if (!completion || g_object_get_data(G_OBJECT(completion), "typed-only")) return;
  g_object_set_data(G_OBJECT(completion), "typed-only", completion);
  g_signal_connect(completion, "insert-prefix",
                   G_CALLBACK(+[](GtkEntryCompletion*, gchar*, gpointer) -> gboolean { return TRUE; }),
                   nullptr);
}

}  // namespace

int RunGtkMessageBox(const platform::MessageBoxRequest& request) {
  GtkMessageType kind = GTK_MESSAGE_OTHER;
  switch (request.type & MB_ICONMASK) {
    case MB_ICONHAND: kind = GTK_MESSAGE_ERROR; break;
    case MB_ICONQUESTION: kind = GTK_MESSAGE_QUESTION; break;
    case MB_ICONEXCLAMATION: kind = GTK_MESSAGE_WARNING; break;
    case MB_ICONASTERISK: kind = GTK_MESSAGE_INFO; break;
  }
  std::string text = Cp932ToUtf8(request.text);
  GtkWidget* box = gtk_message_dialog_new(ParentOf(request.owner), GTK_DIALOG_MODAL, kind,
                                          GTK_BUTTONS_NONE, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), Cp932ToUtf8(request.caption).c_str());
  KeepOnWorkArea(box);
  std::vector<BoxButton> buttons = BoxButtons(request.type);
  int def = platform::DefaultMessageBoxAnswer(request.type);
  GtkWidget* defButton = nullptr;
  bool hasCancel = false;
  for (const BoxButton& b : buttons) {
    GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(box), b.label, b.id);
    if (b.id == def) defButton = button;
    hasCancel = hasCancel || b.id == IDCANCEL;
  }
  gtk_dialog_set_default_response(GTK_DIALOG(box), def);
  // A box without Cancel has no way out but its buttons, as on the desktop
  // the game was made for; with Cancel, Escape and the close box cancel.
  gtk_window_set_deletable(GTK_WINDOW(box), hasCancel || buttons.size() == 1);
  if (defButton) gtk_widget_grab_focus(defButton);
  int answer = 0;
  for (;;) {
    int r = gtk_dialog_run(GTK_DIALOG(box));
    bool isButton = false;
    for (const BoxButton& b : buttons) isButton = isButton || b.id == r;
    if (isButton) { answer = r; break; }
    if (hasCancel) { answer = IDCANCEL; break; }
    if (buttons.size() == 1) { answer = buttons[0].id; break; }
  }
  gtk_widget_destroy(box);
  RefreshPointer();
  return answer;
}

bool RunGtkFileDialog(const platform::FileDialogRequest& request, std::string* gamePath,
                      int* filterIndex) {
  std::string title = Cp932ToUtf8(request.title);
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.c_str(), ParentOf(request.owner),
      request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
      "キャンセル(_C)", GTK_RESPONSE_CANCEL, request.save ? "保存(_S)" : "開く(_O)",
      GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 600, 420);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  ShortenFolderNames(dialog, nullptr);
  g_signal_connect(dialog, "set-focus", G_CALLBACK(OnChooserFocus), nullptr);
  KeepOnWorkArea(dialog);
  std::vector<GtkFileFilter*> filters;
  for (const auto& f : request.filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, Cp932ToUtf8(f.text).c_str());
    for (const std::string& p : f.patterns) gtk_file_filter_add_pattern(filter, p.c_str());
    gtk_file_chooser_add_filter(chooser, filter);
    filters.push_back(filter);
  }
  if (request.filterIndex >= 1 && request.filterIndex <= static_cast<int>(filters.size()))
    gtk_file_chooser_set_filter(chooser, filters[request.filterIndex - 1]);
  if (!request.folder.empty()) {
    std::string host = GamePathToHost(request.folder.c_str());
    gchar* absolute = g_canonicalize_filename(host.c_str(), nullptr);
    gtk_file_chooser_set_current_folder(chooser, absolute);
    g_free(absolute);
  }
  if (request.save) {
    gtk_file_chooser_set_current_name(chooser, Cp932ToUtf8(request.fileName).c_str());
    gtk_file_chooser_set_do_overwrite_confirmation(chooser,
                                                   (request.flags & OFN_OVERWRITEPROMPT) != 0);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  g_signal_connect(dialog, "key-press-event", G_CALLBACK(ReturnTakesTypedName), nullptr);
  bool chosen = false;
  while (!chosen && gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    gchar* file = gtk_file_chooser_get_filename(chooser);
    if (!file) break;
    // A name that is not UTF-8 shows its unreadable bytes as U+FFFD.
    gchar* utf8 = g_filename_display_name(file);
    std::string host = utf8;
    g_free(utf8);
    g_free(file);
    // The game keeps paths in Shift-JIS: a path it cannot hold would be
    // written or read as another file, so the chooser stays open for another
    // instead, and says whether the folder or the name is in the way.
    const platform::UnheldPart unheld = platform::UnheldPartOf(host);
    if (unheld != platform::UnheldPart::kNone) {
      TellInChooser(dialog, title, platform::UnheldPathText(unheld));
      continue;
    }
    std::string path = platform::HostPathToGamePath(host);
    int used = *filterIndex;
    GtkFileFilter* usedFilter = gtk_file_chooser_get_filter(chooser);
    for (size_t i = 0; i < filters.size(); ++i)
      if (filters[i] == usedFilter) used = static_cast<int>(i + 1);
    // A path the game cannot hold, its extension added, would be lost
    // after the dialog: the user shortens it here instead.
    std::string refusal = platform::FileDialogRefusal(request, path, used);
    if (!refusal.empty()) {
      TellInChooser(dialog, title, refusal);
      continue;
    }
    *gamePath = path;
    *filterIndex = used;
    chosen = true;
  }
  gtk_widget_destroy(dialog);
  RefreshPointer();
  return chosen;
}

}  // namespace gtk_face
