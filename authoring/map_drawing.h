#pragma once
// Lays out and draws a graph given as DOT text with Graphviz's library. The one
// place that talks to Graphviz: the rest of the tools only write DOT.
#include <string>

namespace qvl::authoring {

// format: "svg" or "png". False with a reason when Graphviz cannot read or draw it.
bool drawGraph(const std::string& dot, const std::string& format, std::string& image, std::string& reason);

}  // namespace qvl::authoring
