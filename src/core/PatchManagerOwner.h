// What PatchManager needs of the plug-in that owns it.
#pragma once

class ByteChunk;

// Implemented by the plug-in class (Korvid). PatchManager calls these from the thread that calls it.
class PatchManagerOwner
{
public:
  // Marks the librarian's slot view for redraw after a name slot changed.
  virtual void setLibrarianViewDirty() = 0;
  // Appends the plug-in's state body to chunk; withNames false leaves the name block out.
  virtual bool SerializeState2(ByteChunk* chunk, bool withNames) = 0;

protected:
  ~PatchManagerOwner() = default;
};
