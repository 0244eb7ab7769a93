// The stored value of a plug-in parameter as a whole number.
#pragma once

#include "IPlugBase.h"

// The stored value of the parameter, truncated to int; 0 when the index has no parameter.
inline int storedInt(IPlugBase& plug, int paramIdx)
{
  const IParam* param = plug.GetParam(paramIdx);
  return param ? param->Int() : 0;
}
