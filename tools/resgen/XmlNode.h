// A small ordered XML tree with a deterministic writer, for the generated resource documents.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace resgen
{

// One element: name, attributes in insertion order, child elements in document order.
struct XmlNode
{
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<XmlNode> children;
  std::string text; // character content; written only for elements without children

  explicit XmlNode(std::string elementName = std::string()) : name(std::move(elementName)) {}

  // Appends an attribute and returns this node, so calls chain.
  XmlNode& attr(const std::string& key, const std::string& value);
  XmlNode& attr(const std::string& key, int value);

  // Appends a child element and returns a reference to it (valid until the next append to this node).
  XmlNode& add(const std::string& elementName);

  // Value of an attribute, or "" when absent.
  const std::string& get(const std::string& key) const;
  bool has(const std::string& key) const;
};

// Escapes the five XML special characters.
std::string xmlEscape(const std::string& text);

// Writes the document: declaration, one comment line per banner line, then the root element, indented
// by two blanks per level, one element per line, "\n" line ends.
std::string writeXmlDocument(const std::vector<std::string>& banner, const XmlNode& root);

} // namespace resgen
