// The GTK dialog window.
#include "ui/gtk/gtk_window.h"

#include "ui/cairo/cairo_surface.h"
#include "ui/dialog_placement.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

// Tight widgets, so that each standard control fits the rectangle the
// dialog's layout gives it; scoped to our dialogs.
constexpr const char* kStyle = R"css(
window.twilightomator * { font-family: "Liberation Sans", Arial, sans-serif; font-size: 11px; }
window.twilightomator button { padding: 0; min-height: 0; min-width: 0; }
window.twilightomator entry { min-height: 0; min-width: 0; padding: 1px 1px 0 2px; font-size: 10px; }
window.twilightomator combobox button { padding: 0 2px; min-height: 0; }
window.twilightomator combobox arrow { min-height: 8px; min-width: 8px; }
window.twilightomator checkbutton { padding: 0; min-height: 0; min-width: 0; }
window.twilightomator checkbutton check { margin: 0; min-height: 12px; min-width: 12px; }
)css";

void installStyle() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

std::string mnemonic(const char* text) {
    std::string out;
    for (const char* p = text; p && *p; ++p) out += *p == '&' ? '_' : *p;
    return out;
}

WindowPoint pointOf(double x, double y) { return {int16_t(std::floor(x)), int16_t(std::floor(y))}; }

class DialogOnGtk final : public DialogWindow {
public:
    DialogOnGtk(const DialogLayout& layout, DialogEvents& events);
    ~DialogOnGtk() override;

    void moveControl(int32_t id, const WindowRect& rect) override;
    void setText(int32_t id, std::string_view text) override;
    std::string text(int32_t id) const override;
    void setCheck(int32_t id, bool checked) override;
    bool checked(int32_t id) const override;
    void addListItem(int32_t id, std::string_view item) override;
    void selectListItem(int32_t id, int32_t index) override;
    int32_t selectedListItem(int32_t id) const override;
    void enable(int32_t id, bool enabled) override;
    void focus(int32_t id) override;
    void setTimer(int32_t id, int32_t milliseconds) override;
    void killTimer(int32_t id) override;
    void captureMouse() override { gtk_grab_add(canvas_); }
    void releaseMouse() override { gtk_grab_remove(canvas_); }
    void postCommand(int32_t id, int32_t code) override { post({true, id, code, {0, 0}}); }
    void postMouseMove(WindowPoint point) override { post({false, 0, 0, point}); }
    void setPointer(PointerShape shape) override;
    void messageBox(const MessageBoxText& message) override;
    bool chooseColour(const char* prompt, Color16& colour) override;
    bool chooseFile(const FileChooserRequest& request, std::string& path) override;
    void invalidate(const WindowRect& rect) override;
    void redrawItem(int32_t id) override;
    int32_t runModal() override;
    void endDialog(int32_t code) override;
    void bringToTop() override { gtk_window_present(GTK_WINDOW(window_)); }
    int32_t pixelsPerPoint() const override { return std::max(1, gtk_widget_get_scale_factor(window_)); }
    void processPendingEvents() override {
        while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    }

private:
    struct Control {
        ControlLayout layout;
        GtkWidget* widget = nullptr;
        bool pressed = false;
    };
    struct Posted {
        bool isCommand;
        int32_t id, code;
        WindowPoint point;
    };
    struct TimerTag {
        DialogOnGtk* dialog;
        int32_t id;
    };

    void makeControl(const ControlLayout& layout);
    void post(const Posted& message);
    static gboolean drainPosted(gpointer self);
    static gboolean onTimer(gpointer tag);
    static gboolean onCanvasDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static gboolean onItemDraw(GtkWidget* widget, cairo_t* cr, gpointer control);
    static gboolean onPress(GtkWidget*, GdkEventButton* event, gpointer self);
    static gboolean onRelease(GtkWidget*, GdkEventButton* event, gpointer self);
    static gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
    static gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer self);
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self);
    Control* find(int32_t id);
    const Control* find(int32_t id) const;
    double scale() const { return gtk_widget_get_scale_factor(window_); }

    void place(GtkWindow* window, int32_t width, int32_t height, bool ownChooser) const;
    // A chooser's size is known only once it is shown (it keeps the size the
    // user last gave it): it is placed over this window then.
    void placeWhenMapped(GtkWidget* chooser) const;

    DialogEvents& events_;
    const DialogOnGtk* owner_ = nullptr;  // the window this one opens over
    bool mainWindow_ = false;
    GtkWidget* window_ = nullptr;
    GtkWidget* fixed_ = nullptr;
    GtkWidget* canvas_ = nullptr;
    int32_t width_ = 0, height_ = 0;
    std::map<int32_t, Control> controls_;
    std::map<int32_t, guint> timers_;
    std::map<int32_t, TimerTag*> timerTags_;
    std::deque<Posted> posted_;
    guint drainSource_ = 0;
    GMainLoop* loop_ = nullptr;
    int32_t endCode_ = 0;
    bool ended_ = false;
    int quiet_ = 0;  // programmatic changes that the toolkit would report as the user's
    GtkWidget* lastRadio_ = nullptr;  // the group a following radio button joins
    int32_t defaultId_ = 1;  // the layout's default button: Enter presses it
};

DialogOnGtk::DialogOnGtk(const DialogLayout& layout, DialogEvents& events)
    : events_(events), owner_(dynamic_cast<const DialogOnGtk*>(layout.owner)), mainWindow_(layout.mainWindow) {
    installStyle();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    if (owner_) gtk_window_set_transient_for(GTK_WINDOW(window_), GTK_WINDOW(owner_->window_));
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), "twilightomator");
    gtk_window_set_title(GTK_WINDOW(window_), layout.title);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    width_ = layout.clientWidth;
    height_ = layout.clientHeight;
    fixed_ = gtk_fixed_new();
    gtk_widget_set_size_request(fixed_, layout.clientWidth, layout.clientHeight);
    gtk_container_add(GTK_CONTAINER(window_), fixed_);

    canvas_ = gtk_drawing_area_new();
    gtk_widget_set_size_request(canvas_, layout.clientWidth, layout.clientHeight);
    gtk_widget_add_events(canvas_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
    gtk_fixed_put(GTK_FIXED(fixed_), canvas_, 0, 0);
    g_signal_connect(canvas_, "draw", G_CALLBACK(onCanvasDraw), this);
    g_signal_connect(canvas_, "button-press-event", G_CALLBACK(onPress), this);
    g_signal_connect(canvas_, "button-release-event", G_CALLBACK(onRelease), this);
    g_signal_connect(canvas_, "motion-notify-event", G_CALLBACK(onMotion), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);

    defaultId_ = layout.defaultButton;
    for (const ControlLayout& c : layout.controls) makeControl(c);
}

DialogOnGtk::~DialogOnGtk() {
    for (auto& [id, source] : timers_) g_source_remove(source);
    for (auto& [id, tag] : timerTags_) delete tag;
    if (drainSource_) g_source_remove(drainSource_);
    gtk_widget_destroy(window_);
    if (loop_) g_main_loop_unref(loop_);
}

void DialogOnGtk::makeControl(const ControlLayout& layout) {
    Control& control = controls_[layout.id];
    control.layout = layout;
    GtkWidget* widget = nullptr;
    switch (layout.kind) {
        case ControlKind::pushButton:
            widget = gtk_button_new_with_mnemonic(mnemonic(layout.text).c_str());
            // The button Enter presses looks like it.
            if (layout.id == defaultId_) {
                gtk_widget_set_can_default(widget, TRUE);
                gtk_window_set_default(GTK_WINDOW(window_), widget);
                gtk_style_context_add_class(gtk_widget_get_style_context(widget), "suggested-action");
            }
            break;
        case ControlKind::iconButton: {
            widget = gtk_button_new();
            // Toolbar-like: a click leaves the focus where it was, so that
            // Return still means OK after Dice, Reset or Undo.
            gtk_widget_set_focus_on_click(widget, FALSE);
            cairo_surface_t* icon = artworkImage(layout.iconId, scale());
            if (icon) gtk_button_set_image(GTK_BUTTON(widget), gtk_image_new_from_surface(icon));
            break;
        }
        case ControlKind::checkBox:
            widget = gtk_check_button_new();
            break;
        case ControlKind::radioButton:
            // Radio buttons that follow one another in the layout are one
            // group, as in a dialog template: the toolkit cannot uncheck a
            // button alone in its group, so each alone would show checked.
            widget = lastRadio_ ? gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(lastRadio_),
                                                                                 mnemonic(layout.text).c_str())
                                : gtk_radio_button_new_with_mnemonic(nullptr, mnemonic(layout.text).c_str());
            break;
        case ControlKind::listBox:
            widget = gtk_combo_box_text_new();
            break;
        case ControlKind::valueBox:
            widget = gtk_entry_new();
            gtk_entry_set_width_chars(GTK_ENTRY(widget), 1);
            gtk_entry_set_activates_default(GTK_ENTRY(widget), TRUE);
            break;
        case ControlKind::ownerDrawnButton:
            widget = gtk_drawing_area_new();
            gtk_widget_set_can_focus(widget, TRUE);
            gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
            g_signal_connect(widget, "draw", G_CALLBACK(onItemDraw), &control);
            break;
    }
    control.widget = widget;
    lastRadio_ = layout.kind == ControlKind::radioButton ? widget : nullptr;
    g_object_set_data(G_OBJECT(widget), "twl-dialog", this);
    gtk_widget_set_size_request(widget, layout.rect.width(), layout.rect.height());
    gtk_fixed_put(GTK_FIXED(fixed_), widget, layout.rect.left, layout.rect.top);

    const int32_t id = layout.id;
    auto* key = GINT_TO_POINTER(id);
    switch (layout.kind) {
        case ControlKind::pushButton:
        case ControlKind::iconButton:
        case ControlKind::checkBox:
        case ControlKind::radioButton:
            g_signal_connect(widget, "clicked", G_CALLBACK(+[](GtkWidget* w, gpointer key) {
                auto* self = static_cast<DialogOnGtk*>(g_object_get_data(G_OBJECT(w), "twl-dialog"));
                // Choosing a radio button also "clicks" the one it unchecks:
                // only the chosen one is the user's click.
                const bool uncheckedRadio = GTK_IS_RADIO_BUTTON(w) && !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
                if (self->quiet_ == 0 && !uncheckedRadio) self->events_.command(GPOINTER_TO_INT(key), kNotifyClick);
            }), key);
            break;
        case ControlKind::listBox:
            g_signal_connect(widget, "changed", G_CALLBACK(+[](GtkWidget* w, gpointer key) {
                auto* self = static_cast<DialogOnGtk*>(g_object_get_data(G_OBJECT(w), "twl-dialog"));
                if (self->quiet_ == 0) self->events_.command(GPOINTER_TO_INT(key), kNotifySelectionChanged);
            }), key);
            break;
        case ControlKind::valueBox:
            // Every change of the text is reported, the program's own too.
            g_signal_connect(widget, "changed", G_CALLBACK(+[](GtkWidget* w, gpointer key) {
                auto* self = static_cast<DialogOnGtk*>(g_object_get_data(G_OBJECT(w), "twl-dialog"));
                self->events_.command(GPOINTER_TO_INT(key), kNotifyEditChanged);
            }), key);
            break;
        case ControlKind::ownerDrawnButton:
            g_signal_connect(widget, "button-press-event", G_CALLBACK(+[](GtkWidget* w, GdkEventButton* e, gpointer c) -> gboolean {
                auto* control = static_cast<Control*>(c);
                if (e->button != 1 || e->type != GDK_BUTTON_PRESS) return FALSE;
                control->pressed = true;
                gtk_widget_grab_focus(w);
                gtk_widget_queue_draw(w);
                return TRUE;
            }), &control);
            g_signal_connect(widget, "button-release-event", G_CALLBACK(+[](GtkWidget* w, GdkEventButton* e, gpointer c) -> gboolean {
                auto* control = static_cast<Control*>(c);
                if (e->button != 1 || !control->pressed) return FALSE;
                control->pressed = false;
                gtk_widget_queue_draw(w);
                const bool inside = e->x >= 0 && e->y >= 0 && e->x < control->layout.rect.width() &&
                                    e->y < control->layout.rect.height();
                auto* self = static_cast<DialogOnGtk*>(g_object_get_data(G_OBJECT(w), "twl-dialog"));
                if (inside) self->postCommand(control->layout.id, kNotifyClick);
                return TRUE;
            }), &control);
            break;
    }
}

DialogOnGtk::Control* DialogOnGtk::find(int32_t id) {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

const DialogOnGtk::Control* DialogOnGtk::find(int32_t id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

void DialogOnGtk::moveControl(int32_t id, const WindowRect& rect) {
    if (Control* c = find(id)) {
        c->layout.rect = rect;
        gtk_widget_set_size_request(c->widget, rect.width(), rect.height());
        gtk_fixed_move(GTK_FIXED(fixed_), c->widget, rect.left, rect.top);
    }
}

void DialogOnGtk::setText(int32_t id, std::string_view text) {
    Control* c = find(id);
    if (!c) return;
    const std::string value(text);
    if (c->layout.kind == ControlKind::valueBox) {
        gtk_entry_set_text(GTK_ENTRY(c->widget), value.c_str());
    } else if (c->layout.kind == ControlKind::pushButton) {
        gtk_button_set_label(GTK_BUTTON(c->widget), value.c_str());
    }
}

std::string DialogOnGtk::text(int32_t id) const {
    const Control* c = find(id);
    if (!c) return {};
    if (c->layout.kind == ControlKind::valueBox) return gtk_entry_get_text(GTK_ENTRY(c->widget));
    if (c->layout.kind == ControlKind::pushButton) {
        const char* label = gtk_button_get_label(GTK_BUTTON(c->widget));
        return label ? label : "";
    }
    return {};
}

void DialogOnGtk::setCheck(int32_t id, bool checked) {
    Control* c = find(id);
    if (!c || (c->layout.kind != ControlKind::checkBox && c->layout.kind != ControlKind::radioButton)) return;
    ++quiet_;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->widget), checked);
    --quiet_;
}

bool DialogOnGtk::checked(int32_t id) const {
    const Control* c = find(id);
    return c && (c->layout.kind == ControlKind::checkBox || c->layout.kind == ControlKind::radioButton) &&
           gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(c->widget));
}

void DialogOnGtk::addListItem(int32_t id, std::string_view item) {
    Control* c = find(id);
    if (c && c->layout.kind == ControlKind::listBox)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(c->widget), std::string(item).c_str());
}

void DialogOnGtk::selectListItem(int32_t id, int32_t index) {
    Control* c = find(id);
    if (!c || c->layout.kind != ControlKind::listBox) return;
    ++quiet_;
    gtk_combo_box_set_active(GTK_COMBO_BOX(c->widget), index);
    --quiet_;
}

int32_t DialogOnGtk::selectedListItem(int32_t id) const {
    const Control* c = find(id);
    return c && c->layout.kind == ControlKind::listBox ? gtk_combo_box_get_active(GTK_COMBO_BOX(c->widget)) : -1;
}

void DialogOnGtk::enable(int32_t id, bool enabled) {
    Control* c = find(id);
    if (!c) return;
    gtk_widget_set_sensitive(c->widget, enabled);
    // An icon drawn from our artwork is not dimmed by the theme: fade it.
    if (c->layout.kind == ControlKind::iconButton) {
        if (GtkWidget* image = gtk_button_get_image(GTK_BUTTON(c->widget)))
            gtk_widget_set_opacity(image, enabled ? 1.0 : 0.35);
    }
}

void DialogOnGtk::focus(int32_t id) {
    if (Control* c = find(id)) gtk_widget_grab_focus(c->widget);
}

gboolean DialogOnGtk::onTimer(gpointer data) {
    auto* tag = static_cast<TimerTag*>(data);
    tag->dialog->events_.timer(tag->id);
    return G_SOURCE_CONTINUE;  // a timer repeats until it is killed
}

void DialogOnGtk::setTimer(int32_t id, int32_t milliseconds) {
    killTimer(id);
    auto* tag = new TimerTag{this, id};
    timerTags_[id] = tag;
    // Below input and drawing, as a Windows timer's message comes only when
    // neither is waiting: a tick that works for a while (a step of the
    // source's build) never keeps the window from being drawn or used.
    timers_[id] = g_timeout_add_full(G_PRIORITY_DEFAULT_IDLE, guint(milliseconds), onTimer, tag, nullptr);
}

void DialogOnGtk::killTimer(int32_t id) {
    auto found = timers_.find(id);
    if (found == timers_.end()) return;
    g_source_remove(found->second);
    timers_.erase(found);
    // The tag may be in use by the callback that killed its own timer.
    TimerTag* tag = timerTags_[id];
    timerTags_.erase(id);
    g_idle_add(+[](gpointer t) { delete static_cast<TimerTag*>(t); return G_SOURCE_REMOVE; }, tag);
}

void DialogOnGtk::post(const Posted& message) {
    posted_.push_back(message);
    if (!drainSource_) drainSource_ = g_idle_add_full(G_PRIORITY_HIGH, drainPosted, this, nullptr);
}

gboolean DialogOnGtk::drainPosted(gpointer data) {
    auto* self = static_cast<DialogOnGtk*>(data);
    self->drainSource_ = 0;
    while (!self->posted_.empty() && !self->ended_) {
        const Posted message = self->posted_.front();
        self->posted_.pop_front();
        if (message.isCommand) {
            self->events_.command(message.id, message.code);
        } else {
            self->events_.mouseMove(message.point);
        }
    }
    return G_SOURCE_REMOVE;
}

void DialogOnGtk::setPointer(PointerShape shape) {
    GdkWindow* window = gtk_widget_get_window(canvas_);
    if (!window) return;
    GdkDisplay* display = gdk_window_get_display(window);
    GdkCursor* cursor = nullptr;
    switch (shape) {
        case PointerShape::arrow: break;
        case PointerShape::wait: cursor = gdk_cursor_new_from_name(display, "wait"); break;
        case PointerShape::pan:
        case PointerShape::preview: {
            cairo_surface_t* picture = artworkImage(shape == PointerShape::pan ? 107 : 109, scale());
            if (picture) cursor = gdk_cursor_new_from_surface(display, picture, 16, 16);
            break;
        }
    }
    gdk_window_set_cursor(window, cursor);
    if (cursor) g_object_unref(cursor);
    // A wait pointer shows during a render that blocks the loop.
    gdk_display_flush(display);
}

// A modal message with one button over `parent` (none: over the desktop);
// the toolkit's error icon stands for the refusal icon.
void runMessageBox(GtkWindow* parent, const MessageBoxText& message) {
    GtkWidget* box =
        gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_NONE, "%s", message.text);
    gtk_window_set_title(GTK_WINDOW(box), message.title);
    gtk_dialog_add_button(GTK_DIALOG(box), message.button, GTK_RESPONSE_CANCEL);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

void DialogOnGtk::messageBox(const MessageBoxText& message) { runMessageBox(GTK_WINDOW(window_), message); }

bool DialogOnGtk::chooseColour(const char* prompt, Color16& colour) {
    GtkWidget* chooser = gtk_color_chooser_dialog_new(prompt, GTK_WINDOW(window_));
    gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(chooser), FALSE);
    // The chooser starts from the colour's high bytes, the 8-bit colour the
    // swatch shows and the chooser gives back.
    const GdkRGBA start = {(colour.red >> 8) / 255.0, (colour.green >> 8) / 255.0, (colour.blue >> 8) / 255.0, 1.0};
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(chooser), &start);
    placeWhenMapped(chooser);
    const bool chosen = gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_OK;
    if (chosen) {
        GdkRGBA picked;
        gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(chooser), &picked);
        colour = Color16{uint16_t(std::lround(picked.red * 65535)), uint16_t(std::lround(picked.green * 65535)),
                         uint16_t(std::lround(picked.blue * 65535))};
    }
    gtk_widget_destroy(chooser);
    return chosen;
}

// The pane of an open chooser: a picture of the selected file.
struct ChooserPane {
    const FileChooserRequest* request;
    GtkWidget* image;
};

constexpr int32_t kPaneSide = 130;
constexpr int32_t kChooserWidth = 760, kChooserHeight = 500;

void updatePane(GtkFileChooser* chooser, gpointer data) {
    auto* pane = static_cast<ChooserPane*>(data);
    gchar* file = gtk_file_chooser_get_preview_filename(chooser);
    const std::string path = file ? file : "";
    g_free(file);
    std::vector<uint8_t> rgb;
    pane->request->pane(path, kPaneSide, kPaneSide, rgb);
    if (rgb.size() != size_t(kPaneSide) * kPaneSide * 3) return;
    auto* bytes = static_cast<guchar*>(g_memdup2(rgb.data(), rgb.size()));
    GdkPixbuf* picture = gdk_pixbuf_new_from_data(bytes, GDK_COLORSPACE_RGB, FALSE, 8, kPaneSide, kPaneSide,
                                                  kPaneSide * 3, +[](guchar* p, gpointer) { g_free(p); }, nullptr);
    gtk_image_set_from_pixbuf(GTK_IMAGE(pane->image), picture);
    g_object_unref(picture);
    gtk_file_chooser_set_preview_widget_active(chooser, TRUE);
}

bool DialogOnGtk::chooseFile(const FileChooserRequest& request, std::string& path) {
    const GtkFileChooserAction action = request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN;
    GtkWidget* chooser = gtk_file_chooser_dialog_new(request.title, GTK_WINDOW(window_), action, "_Cancel",
                                                     GTK_RESPONSE_CANCEL, request.save ? "_Save" : "_Open",
                                                     GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
    gtk_window_set_default_size(GTK_WINDOW(chooser), kChooserWidth, kChooserHeight);
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, request.filterName);
    gtk_file_filter_add_pattern(filter, request.pattern);
    gtk_file_chooser_add_filter(files, filter);
    // Without a folder of its own the chooser starts in the working folder,
    // as the system's chooser does, not among recent files.
    if (!request.folder.empty()) {
        gtk_file_chooser_set_current_folder(files, request.folder.c_str());
    } else {
        gchar* here = g_get_current_dir();
        gtk_file_chooser_set_current_folder(files, here);
        g_free(here);
    }
    if (request.save) {
        gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
        gtk_file_chooser_set_current_name(files, request.proposedName.c_str());
    }
    ChooserPane pane{&request, nullptr};
    if (request.pane) {
        pane.image = gtk_image_new();
        gtk_widget_set_size_request(pane.image, kPaneSide, kPaneSide);
        gtk_file_chooser_set_preview_widget(files, pane.image);
        gtk_file_chooser_set_use_preview_label(files, FALSE);
        g_signal_connect(chooser, "update-preview", G_CALLBACK(updatePane), &pane);
    }
    // Placed over this window as the small windows are; some window managers
    // put a file chooser where they like and ignore the request.
    placeWhenMapped(chooser);
    const bool chosen = gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT;
    if (chosen) {
        gchar* file = gtk_file_chooser_get_filename(files);
        path = file ? file : "";
        g_free(file);
    }
    gtk_widget_destroy(chooser);
    while (gtk_events_pending()) gtk_main_iteration();
    return chosen && !path.empty();
}

void DialogOnGtk::invalidate(const WindowRect& rect) {
    gtk_widget_queue_draw_area(canvas_, rect.left, rect.top, rect.width(), rect.height());
}

void DialogOnGtk::redrawItem(int32_t id) {
    if (Control* c = find(id)) gtk_widget_queue_draw(c->widget);
}

gboolean DialogOnGtk::onCanvasDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* self = static_cast<DialogOnGtk*>(data);
    GdkRectangle clip;
    if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return TRUE;
    const WindowRect dirty = {clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
    CairoSurface surface(cr, gtk_widget_get_scale_factor(widget));
    self->events_.eraseBackground(surface);
    self->events_.paint(surface, dirty);
    return TRUE;
}

gboolean DialogOnGtk::onItemDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* control = static_cast<Control*>(data);
    auto* self = static_cast<DialogOnGtk*>(g_object_get_data(G_OBJECT(widget), "twl-dialog"));
    // The item draws in client coordinates.
    cairo_translate(cr, -control->layout.rect.left, -control->layout.rect.top);
    CairoSurface surface(cr, gtk_widget_get_scale_factor(widget));
    const ItemState state = {control->pressed, gtk_widget_has_focus(widget) != 0,
                             !gtk_widget_is_sensitive(widget)};
    self->events_.drawItem(control->layout.id, surface, state);
    return TRUE;
}

gboolean DialogOnGtk::onPress(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<DialogOnGtk*>(data);
    if (event->type != GDK_BUTTON_PRESS || (event->button != 1 && event->button != 3)) return TRUE;
    const MouseButton button = event->button == 1 ? MouseButton::left : MouseButton::right;
    self->events_.mouseDown(pointOf(event->x, event->y), button, (event->state & GDK_CONTROL_MASK) != 0);
    return TRUE;
}

gboolean DialogOnGtk::onRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<DialogOnGtk*>(data);
    if (event->button != 1 && event->button != 3) return TRUE;
    self->events_.mouseUp(pointOf(event->x, event->y), event->button == 1 ? MouseButton::left : MouseButton::right);
    return TRUE;
}

gboolean DialogOnGtk::onMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    static_cast<DialogOnGtk*>(data)->events_.mouseMove(pointOf(event->x, event->y));
    return TRUE;
}

gboolean DialogOnGtk::onKey(GtkWidget* window, GdkEventKey* event, gpointer data) {
    auto* self = static_cast<DialogOnGtk*>(data);
    if (event->keyval == GDK_KEY_Escape) {
        self->events_.command(2, kNotifyClick);
        return TRUE;
    }
    if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
        // Enter presses a focused button, else the default button (OK).
        GtkWidget* focused = gtk_window_get_focus(GTK_WINDOW(window));
        if (focused && GTK_IS_BUTTON(focused) && !GTK_IS_TOGGLE_BUTTON(focused)) return FALSE;
        self->events_.command(self->defaultId_, kNotifyClick);
        return TRUE;
    }
    return FALSE;
}

gboolean DialogOnGtk::onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<DialogOnGtk*>(data)->events_.close();
    return TRUE;
}

// The width of a title-bar button, by which the small windows stand left of
// centre. Server-side decorations do not tell their size; this is that of a
// common theme's buttons.
constexpr int32_t kTitleButtonWidth = 24;

// The work area of the monitor that shows `near` (the primary one when it
// is not shown yet): the desktop of the placement rule and the screen the
// windows are kept on, so that none opens under a panel.
WindowRect workArea(GtkWidget* near) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return {0, 0, 0, 0};
    GdkMonitor* monitor = nullptr;
    if (near && gtk_widget_get_window(near))
        monitor = gdk_display_get_monitor_at_window(display, gtk_widget_get_window(near));
    if (!monitor) monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return {0, 0, 0, 0};
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    return {area.x, area.y, area.x + area.width, area.y + area.height};
}

// Moves `window` (width x height) to where the placement rule puts it: the
// main dialog over the desktop, a small window over its owner's client area,
// a chooser over this dialog's. A window with the close button counts as
// one with a system menu.
void DialogOnGtk::place(GtkWindow* window, int32_t width, int32_t height, bool ownChooser) const {
    const DialogOnGtk* over = ownChooser ? this : owner_;
    const WindowRect screen = workArea(over ? over->canvas_ : nullptr);
    if (screen.width() <= 0) return;
    WindowRect parent = screen;
    if (over && gtk_widget_get_window(over->canvas_)) {
        gint x = 0, y = 0;
        gdk_window_get_origin(gtk_widget_get_window(over->canvas_), &x, &y);
        parent = {x, y, x + over->width_, y + over->height_};
    }
    const PlacementRequest request = {parent, screen, width, height, mainWindow_ ? 0 : kTitleButtonWidth,
                                      gtk_window_get_deletable(window) != FALSE};
    const WindowRect at = ownChooser ? placeChooser(request) : placeDialog(request);
    gtk_window_move(window, at.left, at.top);
}

void DialogOnGtk::placeWhenMapped(GtkWidget* chooser) const {
    g_signal_connect_after(chooser, "map", G_CALLBACK(+[](GtkWidget* window, gpointer self) {
        const auto& dialog = *static_cast<const DialogOnGtk*>(self);
        int width = 0;
        int height = 0;
        gtk_window_get_size(GTK_WINDOW(window), &width, &height);
        // The chooser comes back at the size it last had, which may not fit
        // this screen: it is made to fit the work area first.
        const WindowRect screen = workArea(dialog.canvas_);
        if (screen.width() > 0 && (width > screen.width() || height > screen.height())) {
            width = std::min(width, screen.width());
            height = std::min(height, screen.height());
            gtk_window_resize(GTK_WINDOW(window), width, height);
        }
        dialog.place(GTK_WINDOW(window), width, height, true);
    }), const_cast<DialogOnGtk*>(this));
}

int32_t DialogOnGtk::runModal() {
    gtk_widget_realize(window_);
    place(GTK_WINDOW(window_), width_, height_, false);
    gtk_widget_show_all(window_);
    gtk_window_set_focus(GTK_WINDOW(window_), nullptr);
    if (!ended_) {
        loop_ = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(loop_);
    }
    gtk_widget_hide(window_);
    while (gtk_events_pending()) gtk_main_iteration();
    return endCode_;
}

void DialogOnGtk::endDialog(int32_t code) {
    endCode_ = code;
    ended_ = true;
    if (loop_) g_main_loop_quit(loop_);
}

}  // namespace

std::unique_ptr<DialogWindow> GtkWindowSystem::createDialog(const DialogLayout& layout, DialogEvents& events) {
    return std::make_unique<DialogOnGtk>(layout, events);
}

void GtkWindowSystem::messageBox(const MessageBoxText& message) {
    runMessageBox(nullptr, message);
    while (gtk_events_pending()) gtk_main_iteration();
}

bool GtkWindowSystem::openWebPage(const char* url) {
    // The desktop's own opener chooses the browser.
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(url), nullptr};
    return g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr) != FALSE;
}
