#include "authoring/map_drawing.h"

#include <graphviz/gvc.h>

#include <memory>

namespace qvl::authoring {

bool drawGraph(const std::string& dot, const std::string& format, std::string& image, std::string& reason) {
    // A context loads the installed plugins (layouts, the SVG and PNG renderers).
    std::unique_ptr<GVC_t, int (*)(GVC_t*)> context(gvContext(), gvFreeContext);
    if (!context) {
        reason = "Graphviz could not start";
        return false;
    }
    std::unique_ptr<Agraph_t, int (*)(Agraph_t*)> graph(agmemread(dot.c_str()), agclose);
    if (!graph) {
        reason = "Graphviz could not read the map";
        return false;
    }
    if (gvLayout(context.get(), graph.get(), "dot") != 0) {
        reason = "Graphviz could not lay out the map";
        return false;
    }
    char* data = nullptr;
    unsigned int length = 0;
    const int failed = gvRenderData(context.get(), graph.get(), format.c_str(), &data, &length);
    if (failed == 0 && data) image.assign(data, length);
    if (data) gvFreeRenderData(data);
    gvFreeLayout(context.get(), graph.get());
    if (failed != 0) {
        reason = "Graphviz cannot write " + format + " here (is its renderer plugin installed?)";
        return false;
    }
    return true;
}

}  // namespace qvl::authoring
