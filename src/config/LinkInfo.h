// LinkInfo: the link between a parameter and the parameter that moves along with it.
#pragma once

// A value record, passed by value. The indices are absolute parameter indices (0 to 8455), -1 for none.
// Built while the UI description is walked; read by the linked-parameter logic under the plug-in's mutex.
struct LinkInfo
{
  // The parameter that moves along with this one.
  int linkedParam = -1;
  // The parameter whose value must be non-zero for the link to act.
  int switchParam = -1;
  // The optional third number of the link description; stored, never followed.
  int extra = -1;

  // The link of an element built for part (0 to 15, -1 outside any part) from the indices its description
  // names: inside a part each named index moves to that part's parameter (index + part); outside any part it
  // stays as named. A name that was not found (-1) stays -1, so it never turns into a neighbouring parameter.
  static LinkInfo forPart(int namedLinked, int namedSwitch, int extra, int part)
  {
    const int offset = part > 0 ? part : 0;
    LinkInfo link;
    link.linkedParam = namedLinked >= 0 ? namedLinked + offset : -1;
    link.switchParam = namedSwitch >= 0 ? namedSwitch + offset : -1;
    link.extra = extra;
    return link;
  }
};
