// Popup menu model: insertion rule, check marks and numbering.
#include "IPopupMenu.h"

#include <cstdio>

IPopupMenuItem::IPopupMenuItem(const char* text, int flags, IPopupMenu* subMenu)
    : mText(text ? text : ""), mSubmenu(subMenu), mFlags(flags)
{
}

IPopupMenu::~IPopupMenu()
{
  for (auto it = mItems.rbegin(); it != mItems.rend(); ++it)
  {
    delete *it;
  }
}

IPopupMenuItem* IPopupMenu::AddItem(IPopupMenuItem* item, int index)
{
  if (!item)
  {
    // A null entry would break every later walk over the items.
    return nullptr;
  }
  const int count = GetNItems();
  if (index == -1 || index >= count)
  {
    mItems.push_back(item);
  }
  else if (index < 0)
  {
    mItems.insert(mItems.begin(), item);
  }
  else
  {
    mItems.insert(mItems.begin() + index, item);
  }
  return item;
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, int flags)
{
  return AddItem(new IPopupMenuItem(text, flags), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* subMenu)
{
  return AddItem(new IPopupMenuItem(text, IPopupMenuItem::kNoFlags, subMenu), -1);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int index)
{
  return AddItem(new IPopupMenuItem("", IPopupMenuItem::kSeparator), index);
}

IPopupMenuItem* IPopupMenu::GetItem(int i) const
{
  if (i < 0 || i >= GetNItems())
  {
    return nullptr;
  }
  return mItems[static_cast<size_t>(i)];
}

void IPopupMenu::CheckItemAlone(int i)
{
  for (int k = 0; k < GetNItems(); ++k)
  {
    mItems[static_cast<size_t>(k)]->SetChecked(k == i);
  }
}

void IPopupMenu::SetPrefix(int prefix)
{
  if (prefix >= 0 && prefix <= 3)
  {
    mPrefix = prefix;
  }
}

std::string IPopupMenu::GetDisplayText(int i) const
{
  const IPopupMenuItem* item = GetItem(i);
  if (!item)
  {
    return std::string();
  }
  static const char* const kFormats[] = {"", "%1d: ", "%02d: ", "%03d: "};
  char number[16] = "";
  if (mPrefix > 0)
  {
    std::snprintf(number, sizeof number, kFormats[mPrefix], i + 1);
  }
  return std::string(number) + item->GetText();
}
