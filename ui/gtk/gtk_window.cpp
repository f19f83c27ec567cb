// The GTK dialog window.
#include "ui/gtk/gtk_window.h"

#include "ui/cairo/cairo_surface.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <string>

namespace {

// Tight widgets, so that each standard control fits the rectangle the
// dialog's layout gives it; scoped to our dialogs.
constexpr const char* kStyle = R"css(
window.twilightomator * { font-family: "Liberation Sans", Arial, sans-serif; font-size: 11px; }
window.twilightomator button { padding: 0; min-height: 0; min-width: 0; }
window.twilightomator entry { min-height: 0; min-width: 0; padding: 0 2px; }
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
    DialogOnGtk(const DialogSpec& spec, DialogEvents& events);
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
    void invalidate(const WindowRect& rect) override;
    void redrawItem(int32_t id) override;
    int32_t runModal() override;
    void endDialog(int32_t code) override;

private:
    struct Control {
        ControlSpec spec;
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

    void makeControl(const ControlSpec& spec);
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

    DialogEvents& events_;
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
};

DialogOnGtk::DialogOnGtk(const DialogSpec& spec, DialogEvents& events) : events_(events) {
    installStyle();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), "twilightomator");
    gtk_window_set_title(GTK_WINDOW(window_), spec.title);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    width_ = spec.clientWidth;
    height_ = spec.clientHeight;
    fixed_ = gtk_fixed_new();
    gtk_widget_set_size_request(fixed_, spec.clientWidth, spec.clientHeight);
    gtk_container_add(GTK_CONTAINER(window_), fixed_);

    canvas_ = gtk_drawing_area_new();
    gtk_widget_set_size_request(canvas_, spec.clientWidth, spec.clientHeight);
    gtk_widget_add_events(canvas_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
    gtk_fixed_put(GTK_FIXED(fixed_), canvas_, 0, 0);
    g_signal_connect(canvas_, "draw", G_CALLBACK(onCanvasDraw), this);
    g_signal_connect(canvas_, "button-press-event", G_CALLBACK(onPress), this);
    g_signal_connect(canvas_, "button-release-event", G_CALLBACK(onRelease), this);
    g_signal_connect(canvas_, "motion-notify-event", G_CALLBACK(onMotion), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);

    for (const ControlSpec& c : spec.controls) makeControl(c);
}

DialogOnGtk::~DialogOnGtk() {
    for (auto& [id, source] : timers_) g_source_remove(source);
    for (auto& [id, tag] : timerTags_) delete tag;
    if (drainSource_) g_source_remove(drainSource_);
    gtk_widget_destroy(window_);
    if (loop_) g_main_loop_unref(loop_);
}

void DialogOnGtk::makeControl(const ControlSpec& spec) {
    Control& control = controls_[spec.id];
    control.spec = spec;
    GtkWidget* widget = nullptr;
    switch (spec.kind) {
        case ControlKind::pushButton:
            widget = gtk_button_new_with_mnemonic(mnemonic(spec.text).c_str());
            break;
        case ControlKind::iconButton: {
            widget = gtk_button_new();
            cairo_surface_t* icon = artworkImage(spec.iconId, scale());
            if (icon) gtk_button_set_image(GTK_BUTTON(widget), gtk_image_new_from_surface(icon));
            break;
        }
        case ControlKind::checkBox:
            widget = gtk_check_button_new();
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
    g_object_set_data(G_OBJECT(widget), "twl-dialog", this);
    gtk_widget_set_size_request(widget, spec.rect.width(), spec.rect.height());
    gtk_fixed_put(GTK_FIXED(fixed_), widget, spec.rect.left, spec.rect.top);

    const int32_t id = spec.id;
    auto* key = GINT_TO_POINTER(id);
    switch (spec.kind) {
        case ControlKind::pushButton:
        case ControlKind::iconButton:
        case ControlKind::checkBox:
            g_signal_connect(widget, "clicked", G_CALLBACK(+[](GtkWidget* w, gpointer key) {
                auto* self = static_cast<DialogOnGtk*>(g_object_get_data(G_OBJECT(w), "twl-dialog"));
                if (self->quiet_ == 0) self->events_.command(GPOINTER_TO_INT(key), kNotifyClick);
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
                const bool inside = e->x >= 0 && e->y >= 0 && e->x < control->spec.rect.width() &&
                                    e->y < control->spec.rect.height();
                auto* self = static_cast<DialogOnGtk*>(g_object_get_data(G_OBJECT(w), "twl-dialog"));
                if (inside) self->postCommand(control->spec.id, kNotifyClick);
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
        c->spec.rect = rect;
        gtk_widget_set_size_request(c->widget, rect.width(), rect.height());
        gtk_fixed_move(GTK_FIXED(fixed_), c->widget, rect.left, rect.top);
    }
}

void DialogOnGtk::setText(int32_t id, std::string_view text) {
    Control* c = find(id);
    if (!c) return;
    const std::string value(text);
    if (c->spec.kind == ControlKind::valueBox) {
        gtk_entry_set_text(GTK_ENTRY(c->widget), value.c_str());
    } else if (c->spec.kind == ControlKind::pushButton) {
        gtk_button_set_label(GTK_BUTTON(c->widget), value.c_str());
    }
}

std::string DialogOnGtk::text(int32_t id) const {
    const Control* c = find(id);
    if (!c) return {};
    if (c->spec.kind == ControlKind::valueBox) return gtk_entry_get_text(GTK_ENTRY(c->widget));
    if (c->spec.kind == ControlKind::pushButton) {
        const char* label = gtk_button_get_label(GTK_BUTTON(c->widget));
        return label ? label : "";
    }
    return {};
}

void DialogOnGtk::setCheck(int32_t id, bool checked) {
    Control* c = find(id);
    if (!c || c->spec.kind != ControlKind::checkBox) return;
    ++quiet_;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->widget), checked);
    --quiet_;
}

bool DialogOnGtk::checked(int32_t id) const {
    const Control* c = find(id);
    return c && c->spec.kind == ControlKind::checkBox && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(c->widget));
}

void DialogOnGtk::addListItem(int32_t id, std::string_view item) {
    Control* c = find(id);
    if (c && c->spec.kind == ControlKind::listBox)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(c->widget), std::string(item).c_str());
}

void DialogOnGtk::selectListItem(int32_t id, int32_t index) {
    Control* c = find(id);
    if (!c || c->spec.kind != ControlKind::listBox) return;
    ++quiet_;
    gtk_combo_box_set_active(GTK_COMBO_BOX(c->widget), index);
    --quiet_;
}

int32_t DialogOnGtk::selectedListItem(int32_t id) const {
    const Control* c = find(id);
    return c && c->spec.kind == ControlKind::listBox ? gtk_combo_box_get_active(GTK_COMBO_BOX(c->widget)) : -1;
}

void DialogOnGtk::enable(int32_t id, bool enabled) {
    Control* c = find(id);
    if (!c) return;
    gtk_widget_set_sensitive(c->widget, enabled);
    // An icon drawn from our artwork is not dimmed by the theme: fade it.
    if (c->spec.kind == ControlKind::iconButton) {
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
    timers_[id] = g_timeout_add(guint(milliseconds), onTimer, tag);
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

void DialogOnGtk::messageBox(const MessageBoxText& message) {
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_NONE,
                                            "%s", message.text);
    gtk_window_set_title(GTK_WINDOW(box), message.title);
    gtk_dialog_add_button(GTK_DIALOG(box), message.button, GTK_RESPONSE_CANCEL);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

bool DialogOnGtk::chooseColour(const char* prompt, Color16& colour) {
    GtkWidget* chooser = gtk_color_chooser_dialog_new(prompt, GTK_WINDOW(window_));
    gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(chooser), FALSE);
    const GdkRGBA start = {colour.red / 65535.0, colour.green / 65535.0, colour.blue / 65535.0, 1.0};
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(chooser), &start);
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
    cairo_translate(cr, -control->spec.rect.left, -control->spec.rect.top);
    CairoSurface surface(cr, gtk_widget_get_scale_factor(widget));
    const ItemState state = {control->pressed, gtk_widget_has_focus(widget) != 0,
                             !gtk_widget_is_sensitive(widget)};
    self->events_.drawItem(control->spec.id, surface, state);
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
        // Enter presses a focused button, else the default button, OK.
        GtkWidget* focused = gtk_window_get_focus(GTK_WINDOW(window));
        if (focused && GTK_IS_BUTTON(focused) && !GTK_IS_TOGGLE_BUTTON(focused)) return FALSE;
        self->events_.command(3, kNotifyClick);
        return TRUE;
    }
    return FALSE;
}

gboolean DialogOnGtk::onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<DialogOnGtk*>(data)->events_.close();
    return TRUE;
}

// The dialog placement rule: half the free width to the left, a third of
// the free height above, kept on the monitor.
void placeOnMonitor(GtkWidget* window, int32_t width, int32_t height) {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (!monitor && display) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return;
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    const int x = area.x + std::max(0, (area.width - width) / 2);
    const int y = area.y + std::max(0, (area.height - height) / 3);
    gtk_window_move(GTK_WINDOW(window), x, y);
}

int32_t DialogOnGtk::runModal() {
    placeOnMonitor(window_, width_, height_);
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

std::unique_ptr<DialogWindow> GtkWindowSystem::createDialog(const DialogSpec& spec, DialogEvents& events) {
    return std::make_unique<DialogOnGtk>(spec, events);
}

void GtkWindowSystem::messageBox(const MessageBoxText& message) {
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_NONE, "%s",
                                            message.text);
    gtk_window_set_title(GTK_WINDOW(box), message.title);
    gtk_dialog_add_button(GTK_DIALOG(box), message.button, GTK_RESPONSE_CANCEL);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    while (gtk_events_pending()) gtk_main_iteration();
}
