// Deterministic writer of the generated XML documents.
#include "XmlNode.h"

namespace resgen
{

XmlNode& XmlNode::attr(const std::string& key, const std::string& value)
{
  attributes.emplace_back(key, value);
  return *this;
}

XmlNode& XmlNode::attr(const std::string& key, int value)
{
  return attr(key, std::to_string(value));
}

XmlNode& XmlNode::add(const std::string& elementName)
{
  children.emplace_back(elementName);
  return children.back();
}

const std::string& XmlNode::get(const std::string& key) const
{
  static const std::string empty;
  for (const auto& a : attributes)
    if (a.first == key)
      return a.second;
  return empty;
}

bool XmlNode::has(const std::string& key) const
{
  for (const auto& a : attributes)
    if (a.first == key)
      return true;
  return false;
}

std::string xmlEscape(const std::string& text)
{
  std::string out;
  out.reserve(text.size());
  for (char c : text)
  {
    switch (c)
    {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\'':
      out += "&apos;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

namespace
{

void writeNode(const XmlNode& node, int depth, std::string& out)
{
  out.append(static_cast<size_t>(depth) * 2, ' ');
  out += '<';
  out += node.name;
  for (const auto& a : node.attributes)
  {
    out += ' ';
    out += a.first;
    out += "=\"";
    out += xmlEscape(a.second);
    out += '"';
  }
  if (node.children.empty() && node.text.empty())
  {
    out += "/>\n";
    return;
  }
  out += '>';
  if (node.children.empty())
  {
    out += xmlEscape(node.text);
  }
  else
  {
    out += '\n';
    for (const auto& child : node.children)
      writeNode(child, depth + 1, out);
    out.append(static_cast<size_t>(depth) * 2, ' ');
  }
  out += "</";
  out += node.name;
  out += ">\n";
}

} // namespace

std::string writeXmlDocument(const std::vector<std::string>& banner, const XmlNode& root)
{
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  for (const auto& line : banner)
    out += "<!-- " + line + " -->\n";
  writeNode(root, 0, out);
  return out;
}

} // namespace resgen
