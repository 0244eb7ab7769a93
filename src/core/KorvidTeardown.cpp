// The plug-in's teardown: MIDI input and the device jobs stop first, then everything is freed.
#include "Korvid.h"

#include "FileCopyPopupMenu.h"
#include "FileEditPopupMenu.h"
#include "IGraphics.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "UIConfigManager.h"

Korvid::~Korvid()
{
  // Its follow-up reaches everything below.
  mAudioPassFollower.stop();
  // A reopen handed on by an idle call may be waiting for the device worker or the resend: the manager's
  // stop ends those waits (its port work ends within its deadlines), and nothing of it runs on afterwards.
  if (mMIDIMessageManager)
  {
    mMIDIMessageManager->sender->stopping = true;
  }
  mPortReopener.stop();
  outputAbsent();
  // Nothing may call into the plug-in while it is taken apart: the input port's thread and the three
  // device jobs are stopped and joined before any object they use goes.
  stopDeviceCommunication();

  // The surface's controls and the slot menus point at the actions, the library and the plug-in: they go
  // first.
  mFileEditMenu.reset();
  mFileCopyMenu.reset();
  delete mGraphics;
  mGraphics = nullptr;
  forgetEditorReferences();
  for (int i = 0; i < NParams(); ++i)
  {
    GetParam(i)->SetAction(nullptr);
  }
  mUIConfigManager.reset();
  mPatchLibrarian = nullptr;
  mOwnedLibrarian.reset();
  mPatchManager = nullptr;
  mOwnedPatchManager.reset();

  mPartProgramTable.fill(0);
  mPartBankTable.fill(0);
  mIndicatorTime.fill(0);
  mIndicatorState.fill(0);
  mRandomValues.clear();
}
