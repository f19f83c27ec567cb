// twilightomator-gimp: the GIMP 2.10 plug-in that hosts the filter module
// inside GIMP. It registers the procedure under the maker's submenu of
// Filters, with the name and category of the module's property list.
#include "gimp/procedure_arguments.h"
#include "gimp/procedure_name.h"
#include "gimp/run_procedure.h"
#include "host/four_char_codes.h"
#include "host/plugin_module.h"
#include "host/terminology_reader.h"

#include <libgimp/gimp.h>

#include <string>

namespace {
// The scripting terminology's event description ("Makes images moody").
std::string eventDescription(const PluginModule& module) {
    const std::vector<uint8_t> bytes = module.resource(fourCC("aete"), module.properties().terminologyId);
    Terminology terminology;
    std::string error;
    if (bytes.empty() || !parseTerminology(bytes.data(), bytes.size(), terminology, error) ||
        terminology.suites.empty() || terminology.suites[0].events.empty())
        return module.properties().name;
    return terminology.suites[0].events[0].description;
}

void query() {
    PluginModule module;
    std::string error;
    if (!module.load(defaultPluginPath(), error)) {
        g_printerr("twilightomator-gimp: %s\n", error.c_str());
        return;
    }
    const PropertyList& properties = module.properties();
    const std::string blurb = eventDescription(module);
    // The menu label is the module's name ("Twilightomator..."); GIMP names
    // the undo step after it without the dots.
    const std::string label = properties.name.ends_with("...") ? properties.name : properties.name + "...";
    const std::vector<GimpParamDef>& arguments = procedureArguments();
    gimp_install_procedure(kProcedureName, blurb.c_str(),
                           "Filters the drawable (within the selection's bounds) with the given settings; "
                           "interactively through the filter's own dialog.",
                           properties.category.c_str(), properties.category.c_str(), TWL_VERSION, label.c_str(),
                           "RGB*, GRAY*", GIMP_PLUGIN, gint(arguments.size()), 0, arguments.data(), nullptr);
    const std::string menu = "<Image>/Filters/" + properties.category;
    gimp_plugin_menu_register(kProcedureName, menu.c_str());
}

void run(const gchar*, gint count, const GimpParam* arguments, gint* resultCount, GimpParam** results) {
    static GimpParam values[2];
    static std::string message;
    const ProcedureOutcome outcome = runProcedure(arguments, count);
    values[0].type = GIMP_PDB_STATUS;
    values[0].data.d_status = outcome.status;
    *results = values;
    *resultCount = 1;
    if (outcome.status != GIMP_PDB_SUCCESS && !outcome.message.empty()) {
        message = outcome.message;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = const_cast<gchar*>(message.c_str());
        *resultCount = 2;
    }
}
}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
