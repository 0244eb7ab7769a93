// UIConfigManager: the walk of the UI description into layers and controls.
#include "UIConfigManager.h"

// The walker comes with the control factories; until it exists the description builds nothing.
void UIConfigManager::processXMLElement(tinyxml2::XMLNode*, ControlLayer*, int) {}
