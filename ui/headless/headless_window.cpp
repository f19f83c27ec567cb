// The headless window layer.
#include "ui/headless/headless_window.h"

#include "ui/cairo/cairo_surface.h"

#include <algorithm>
#include <cstring>

namespace {
const std::vector<std::string> kNoItems;

WindowRect unite(const WindowRect& a, const WindowRect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}
}  // namespace

HeadlessDialog::HeadlessDialog(const DialogLayout& layout, DialogEvents& events, double scale)
    : events_(events), scale_(scale), title_(layout.title ? layout.title : "") {
    for (const ControlLayout& c : layout.controls) {
        Control control;
        control.layout = c;
        if ((c.kind == ControlKind::pushButton || c.kind == ControlKind::radioButton) && c.text) control.text = c.text;
        controls_[c.id] = control;
    }
    image_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(layout.clientWidth * scale), int(layout.clientHeight * scale));
    cairo_surface_set_device_scale(image_, scale, scale);
    invalid_ = WindowRect{0, 0, layout.clientWidth, layout.clientHeight};
}

HeadlessDialog::~HeadlessDialog() { cairo_surface_destroy(image_); }

HeadlessDialog::Control* HeadlessDialog::find(int32_t id) {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

const HeadlessDialog::Control* HeadlessDialog::find(int32_t id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

void HeadlessDialog::moveControl(int32_t id, const WindowRect& rect) {
    if (Control* c = find(id)) {
        invalidate(c->layout.rect);
        c->layout.rect = rect;
        invalidate(rect);
    }
}

void HeadlessDialog::setText(int32_t id, std::string_view text) {
    Control* c = find(id);
    if (!c) return;
    c->text = std::string(text);
    invalidate(c->layout.rect);
    // An edit box reports every change of its text, whoever made it.
    if (c->layout.kind == ControlKind::valueBox) events_.command(id, kNotifyEditChanged);
}

std::string HeadlessDialog::text(int32_t id) const {
    const Control* c = find(id);
    return c ? c->text : std::string();
}

void HeadlessDialog::setCheck(int32_t id, bool checked) {
    if (Control* c = find(id)) {
        c->checked = checked;
        invalidate(c->layout.rect);
    }
}

bool HeadlessDialog::checked(int32_t id) const {
    const Control* c = find(id);
    return c && c->checked;
}

void HeadlessDialog::addListItem(int32_t id, std::string_view item) {
    if (Control* c = find(id)) c->items.emplace_back(item);
}

void HeadlessDialog::selectListItem(int32_t id, int32_t index) {
    if (Control* c = find(id)) {
        c->selection = (index >= 0 && index < int32_t(c->items.size())) ? index : -1;
        invalidate(c->layout.rect);
    }
}

int32_t HeadlessDialog::selectedListItem(int32_t id) const {
    const Control* c = find(id);
    return c ? c->selection : -1;
}

const std::vector<std::string>& HeadlessDialog::listItems(int32_t id) const {
    const Control* c = find(id);
    return c ? c->items : kNoItems;
}

void HeadlessDialog::enable(int32_t id, bool enabled) {
    if (Control* c = find(id)) {
        c->enabled = enabled;
        invalidate(c->layout.rect);
    }
}

bool HeadlessDialog::enabled(int32_t id) const {
    const Control* c = find(id);
    return c && c->enabled;
}

void HeadlessDialog::postCommand(int32_t id, int32_t code) { posted_.push_back({true, id, code, {0, 0}}); }

void HeadlessDialog::postMouseMove(WindowPoint point) { posted_.push_back({false, 0, 0, point}); }

void HeadlessDialog::messageBox(const MessageBoxText& message) {
    auto keep = [this](const char* text) { return messageTexts_.emplace_back(text ? text : "").c_str(); };
    messages_.push_back({keep(message.title), keep(message.text), keep(message.button)});
}

bool HeadlessDialog::chooseColour(const char* prompt, Color16& colour) {
    colourPrompts_.emplace_back(prompt);
    if (!colourAnswer_) return false;
    colour = *colourAnswer_;
    return true;
}

bool HeadlessDialog::chooseFile(const FileChooserRequest& request, std::string& path) {
    fileRequests_.push_back(request);
    if (whileChoosing) {
        auto during = std::move(whileChoosing);
        whileChoosing = nullptr;
        during();
    }
    if (fileAnswers_.empty()) return false;
    const std::optional<std::string> answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    if (!answer) return false;
    if (request.pane) request.pane(*answer, paneWidth, paneHeight, pane_);
    path = *answer;
    return true;
}

void HeadlessDialog::invalidate(const WindowRect& rect) { invalid_ = invalid_ ? unite(*invalid_, rect) : rect; }

void HeadlessDialog::redrawItem(int32_t id) {
    invalidItems_.insert(id);
    if (const Control* c = find(id)) invalidate(c->layout.rect);
}

int32_t HeadlessDialog::runModal() {
    drainAndDraw();
    // The user's part runs inside the modal loop.
    if (onModal) onModal(*this);
    return endCode_;
}

void HeadlessDialog::deliver(const std::function<void()>& event) {
    ++depth_;
    event();
    --depth_;
    if (depth_ == 0) drainAndDraw();
}

void HeadlessDialog::drainAndDraw() {
    while (!posted_.empty()) {
        const Posted message = posted_.front();
        posted_.pop_front();
        if (message.isCommand) {
            events_.command(message.id, message.code);
        } else {
            events_.mouseMove(message.point);
        }
    }
    drawInvalid();
}

void HeadlessDialog::press(int32_t x, int32_t y, MouseButton button, bool control) {
    const WindowPoint point{int16_t(x), int16_t(y)};
    for (auto& [id, c] : controls_) {
        if (c.layout.kind == ControlKind::ownerDrawnButton && c.enabled && c.layout.rect.contains(point)) {
            pressedItem_ = id;
            focused_ = id;
            redrawItem(id);
            drawInvalid();
            return;
        }
    }
    deliver([&] { events_.mouseDown(point, button, control); });
}

void HeadlessDialog::move(int32_t x, int32_t y) {
    deliver([&] { events_.mouseMove(WindowPoint{int16_t(x), int16_t(y)}); });
}

void HeadlessDialog::release(int32_t x, int32_t y, MouseButton button) {
    const WindowPoint point{int16_t(x), int16_t(y)};
    if (pressedItem_ >= 0) {
        const int32_t id = pressedItem_;
        pressedItem_ = -1;
        redrawItem(id);
        const Control* c = find(id);
        if (c && c->layout.rect.contains(point)) deliver([&] { events_.command(id, kNotifyClick); });
        drawInvalid();
        return;
    }
    deliver([&] { events_.mouseUp(point, button); });
}

void HeadlessDialog::click(int32_t id) {
    Control* c = find(id);
    if (!c || !c->enabled) return;
    focused_ = id;
    if (c->layout.kind == ControlKind::checkBox) setCheck(id, !c->checked);
    if (c->layout.kind == ControlKind::radioButton) setCheck(id, true);
    deliver([&] { events_.command(id, kNotifyClick); });
}

void HeadlessDialog::type(int32_t id, std::string_view text) {
    Control* c = find(id);
    if (!c || !c->enabled) return;
    focused_ = id;
    deliver([&] {
        for (size_t length = 0; length <= text.size(); ++length) {
            c->text = std::string(text.substr(0, length));
            invalidate(c->layout.rect);
            events_.command(id, kNotifyEditChanged);
        }
    });
}

void HeadlessDialog::select(int32_t id, int32_t index) {
    Control* c = find(id);
    if (!c || !c->enabled) return;
    selectListItem(id, index);
    deliver([&] { events_.command(id, kNotifySelectionChanged); });
}

void HeadlessDialog::fireTimer(int32_t id) {
    if (!timerRunning(id)) return;
    deliver([&] { events_.timer(id); });
}

void HeadlessDialog::repaintAll() {
    invalidate({0, 0, 32767, 32767});
    for (auto& [id, c] : controls_)
        if (c.layout.kind == ControlKind::ownerDrawnButton) invalidItems_.insert(id);
    drawInvalid();
}

void HeadlessDialog::drawInvalid() {
    if (!invalid_) return;
    const WindowRect dirty = *invalid_;
    invalid_.reset();
    invalidItems_.clear();
    ++paints_;
    cairo_t* cr = cairo_create(image_);
    {
        CairoSurface surface(cr, scale_);
        surface.pushClip(dirty);
        events_.eraseBackground(surface);
        events_.paint(surface, dirty);
        for (auto& [id, c] : controls_) {
            if (!c.layout.rect.intersects(dirty)) continue;
            if (c.layout.kind == ControlKind::ownerDrawnButton) {
                events_.drawItem(id, surface, ItemState{id == pressedItem_, id == focused_, !c.enabled});
            } else {
                drawStandardControl(surface, c);
            }
        }
        surface.popClip();
    }
    cairo_destroy(cr);
}

// A plain look for the standard controls, so that screenshots of the
// headless window show every control where it stands.
void HeadlessDialog::drawStandardControl(CairoSurface& surface, const Control& c) {
    const WindowRect& r = c.layout.rect;
    const Rgb ink = c.enabled ? Rgb{0, 0, 0} : Rgb{140, 140, 140};
    switch (c.layout.kind) {
        case ControlKind::pushButton:
        case ControlKind::iconButton: {
            surface.fill(r, Rgb{232, 232, 232});
            surface.frame(r, Rgb{150, 150, 150});
            if (c.layout.kind == ControlKind::iconButton) {
                surface.artworkCentred(c.layout.iconId, r);
            } else {
                std::string label;
                for (char ch : c.text)
                    if (ch != '&') label += ch;
                const WindowPoint size = surface.measureText(label);
                surface.text(r.left + (r.width() - size.x) / 2, r.top + (r.height() - size.y) / 2, label, ink);
            }
            break;
        }
        case ControlKind::checkBox:
            surface.fill(r, Rgb{255, 255, 255});
            surface.frame(r, Rgb{120, 120, 120});
            if (c.checked) surface.fill(r.inset(3), ink);
            break;
        case ControlKind::radioButton: {
            const WindowRect mark = {r.left, r.top + (r.height() - 12) / 2, r.left + 12, r.top + (r.height() - 12) / 2 + 12};
            surface.fill(mark, Rgb{255, 255, 255});
            surface.frame(mark, Rgb{120, 120, 120});
            if (c.checked) surface.fill(mark.inset(3), ink);
            std::string label;
            for (char ch : c.text)
                if (ch != '&') label += ch;
            surface.text(r.left + 17, r.top + (r.height() - surface.measureText(label).y) / 2, label, ink);
            break;
        }
        case ControlKind::valueBox:
        case ControlKind::listBox: {
            surface.fill(r, Rgb{255, 255, 255});
            surface.frame(r, Rgb{150, 150, 150});
            const std::string shown = c.layout.kind == ControlKind::valueBox ? c.text
                                      : c.selection >= 0 ? c.items[size_t(c.selection)]
                                                         : std::string();
            surface.pushClip(r.inset(1));
            surface.text(r.left + 3, r.top + (r.height() - surface.measureText(shown).y) / 2, shown, ink);
            surface.popClip();
            break;
        }
        case ControlKind::ownerDrawnButton:
            break;
    }
}

Rgb HeadlessDialog::pixel(int32_t x, int32_t y) { return devicePixel(int32_t(x * scale_), int32_t(y * scale_)); }

Rgb HeadlessDialog::devicePixel(int32_t px, int32_t py) {
    drawInvalid();
    cairo_surface_flush(image_);
    if (px < 0 || py < 0 || px >= cairo_image_surface_get_width(image_) || py >= cairo_image_surface_get_height(image_))
        return {0, 0, 0};
    const unsigned char* data = cairo_image_surface_get_data(image_);
    uint32_t word;
    std::memcpy(&word, data + ptrdiff_t(py) * cairo_image_surface_get_stride(image_) + 4 * px, 4);
    return {uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
}

bool HeadlessDialog::writePng(const std::string& path) {
    drawInvalid();
    return cairo_surface_write_to_png(image_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<DialogWindow> HeadlessWindowSystem::createDialog(const DialogLayout& layout, DialogEvents& events) {
    auto dialog = std::make_unique<HeadlessDialog>(layout, events, scale_);
    lastDialog = dialog.get();
    dialog->onModal = onModal;
    return dialog;
}
