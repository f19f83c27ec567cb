// The last run's settings in GIMP's per-session data, as the descriptor's
// byte form.
#include "gimp/last_values.h"

#include "gimp/procedure_name.h"

#include <libgimp/gimp.h>

#include <vector>

std::optional<Descriptor> lastValues() {
    const gint size = gimp_get_data_size(kProcedureName);
    if (size <= 0) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!gimp_get_data(kProcedureName, bytes.data())) return std::nullopt;
    Descriptor settings;
    if (!parseDescriptor(bytes.data(), bytes.size(), settings)) return std::nullopt;
    return settings;
}

void keepLastValues(const Descriptor& settings) {
    const std::vector<uint8_t> bytes = serialiseDescriptor(settings);
    gimp_set_data(kProcedureName, bytes.data(), guint32(bytes.size()));
}
