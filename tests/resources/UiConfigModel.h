// Test support: reads the generated UI description and sysex template list the way the plug-in does
// (tinyxml2, whitespace preserved, text up to the first NUL) and walks the description into a model of
// its layers and control elements, with every parameter reference resolved per part.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace resources_test
{

struct Control;

// One layer as the walker builds it.
struct Layer
{
  std::string name;
  int id = 0;
  std::vector<std::unique_ptr<Layer>> sublayers;
  std::vector<const Control*> controls;
};

// One control element after the part expansion.
struct Control
{
  std::string element; // "knobcontrol", "switch", "dropMenu", ...
  std::string type;    // its "type" attribute ("seKnob", "Menu", ...), may be empty
  std::map<std::string, std::string> attributes;
  int paramIdx = -1; // resolved index, -1 when there is no "paramId"
  int part = -1;     // part index of the enclosing expansion, -1 outside
  std::string layer; // name of the enclosing layer, "" at the top level
  std::vector<int> numbers(const std::string& attribute) const; // comma-separated ints
  std::string attr(const std::string& key) const;
};

class UiConfigModel
{
public:
  // Loads both documents from a resources folder; false only when a file cannot be read. A document
  // that does not parse is walked as the empty document the parser leaves (see parseErrors).
  bool load(const std::string& resourcesDir);

  std::string error;
  std::map<std::string, std::vector<std::string>> valueLists; // "valueLists" section
  std::vector<std::string> templates;                         // first text of each "sysex" record
  std::vector<std::unique_ptr<Control>> controls;             // in walk order
  std::vector<std::unique_ptr<Layer>> topLayers;
  std::map<std::string, const Layer*> layerByName; // the last layer registered under a name
  std::vector<std::string> unknownNames;           // parameter names not in the table
  bool hasBanner = false;                          // both documents carry the generator banner
  std::map<std::string, size_t> documentBytes;     // size of each document file
  std::vector<std::string> documentsWithNul;       // documents the NUL cut would shorten
  std::vector<std::string> parseErrors;            // documents the parser rejected

  // Parameter registry: the names of the parameter table with their indices.
  static const std::map<std::string, int>& registry();
  static const int kParamCount = 8456;
};

} // namespace resources_test
