// The header, the multi page, the librarian page, the part mixer, the bank and program selectors and the
// windows of the UI description.
#include "UiBuilder.h"

#include <cstdio>
#include <string>

namespace resgen
{

namespace
{

std::string two(int n)
{
  return (n < 10 ? "0" : "") + std::to_string(n);
}

// Rectangles that the editor core fixes for its invisible librarian and selector menus.
const int kUpperMenuY = 188;
const int kLowerMenuY = 461;
const int kMenuLeft = 394;
const int kMenuRight = 810;
const int kBankMenuX = 1142;
const int kProgramMenuX = 1184;
const int kSelectorY = 60;

} // namespace

// ---------------------------------------------------------------------------------------------------
// Header: tabs, the control display, MIDI ports and editor settings. Drawn over the main background.

void UiBuilder::buildHeader()
{
  caption(18, 42, "KORVID", 26, Align::Left, true);
  caption(22, 62, "BLOFELD EDITOR", 10, Align::Left, true);
  autoOff("kDisplayAboutWindow", 124, 50, "BTN_SEE_ABOUT_ID", "");
  radio("kMainTab", 160, 8, "BUTTON_TAB_TOPBAR_ID", 6, "Main Tab");

  // The control display: name and value of the last edit, patch name, category and controller line.
  box(BoxKind::Screen, 160, 42, 600, 50);
  display("kControlDisplayName", 168, 47, 380, 17);
  display("kControlDisplayValue", 168, 69, 380, 17);
  display("kControlDisplayPatch", 560, 47, 192, 17);
  display("kControlDisplayCategory", 560, 69, 90, 17);
  display("kControlDisplayCC", 656, 69, 96, 17);

  deviceMenu("kDeviceOutSelection", 842, 46, 150, 14, false, "MIDI OUT");
  deviceMenu("kDeviceInSelection", 842, 70, 150, 14, true, "MIDI IN");

  // Bank and program of the edited part: the selector layers draw the values into these fields.
  box(BoxKind::Lcd, kBankMenuX - 2, kSelectorY - 2, 92, 28);
  caption(kBankMenuX + 19, kSelectorY - 6, "BANK", 9, Align::Center, true);
  caption(kProgramMenuX + 22, kSelectorY - 6, "PROGRAM", 9, Align::Center, true);
  caption(1256, kSelectorY - 6, "PATCH", 9, Align::Center, true);

  listMenu("kUserInterfaceSize", 1040, 46, 64, 14, "uiSizes", 1, "");
  listMenu("kUserInterfaceStyle", 1040, 70, 64, 14, "uiStyles", 0, "");
  caption(1034, 58, "SIZE", 10, Align::Right, true);
  caption(1034, 82, "SKIN", 10, Align::Right, true);

  autoOff("kRandomize", 1300, 12, "ID_RANDOMIZE", "");
  switchControl("kViewMIDIFilterSettings", 1300, 46, "BTN_18x18_ID", "");
  caption(1324, 60, "MIDI FILTERS", 10, Align::Left, true);
  switchControl("kMasterKeyboard", 1300, 70, "BTN_18x18_ID", "");
  caption(1324, 84, "MASTER KEYBOARD", 10, Align::Left, true);

  box(BoxKind::Screen, 1400, 8, 92, 30);
  display("kControlDisplayBuild", 1404, 11, 84, 11);
  display("kControlDisplayMIDIOutDelay", 1404, 24, 84, 11);
}

// ---------------------------------------------------------------------------------------------------
// Page 0: multi settings, global settings and the multi mixer of all sixteen parts.

void UiBuilder::buildMultiPage()
{
  layer("multiPage", 0,
        [&]
        {
          layer("multiModeSettingsPage1", 0,
                [&]
                {
                  const int sx = 6;
                  const int sy = kPageY;
                  beginPanel("MULTI_SETTINGS_BG_ID", sx, sy);
                  section(sx + 6, sy + 6, 420, 108, "MULTI");
                  section(sx + 432, sy + 6, 1044, 108, "GLOBAL (SYNTHESIZER)");
                  group_ = "Multi";
                  nameDisplay("kMultiName", sx + 20, sy + 46, 150, 13, 16, "MULTI NAME");
                  settingKnob("kMultiMasterVolume", -1, sx + 196, sy + 40, "IKNOBROTATERCONTROL_ID2");
                  settingMenu("kMultiTempo", -1, sx + 262, sy + 46, 50);
                  switchControl("kOverrideTempo", sx + 332, sy + 44, "BTN_SMALL_ID", "DAW TEMPO", 1);
                  group_ = "Global";
                  const int gx = sx + 446;
                  const int r1 = sy + 46;
                  // Low enough that the second row's captions keep clear of the small knobs above them.
                  const int r2 = sy + 90;
                  settingMenu("kGlobalMidiChannel", -1, gx, r1, 56);
                  settingKnob("kGlobalSysExID", -1, gx + 84, r1 - 1, "IKNOBROTATERCONTROL_ID3");
                  settingMenu("kGlobalTuning", -1, gx + 140, r1, 48);
                  settingKnob("kGlobalTranspose", -1, gx + 218, r1 - 1, "IKNOBROTATERCONTROL_ID3");
                  settingMenu("kGlobalVelocityCurve", -1, gx + 270, r1, 76);
                  settingMenu("kGlobalClock", -1, gx + 370, r1, 70);
                  settingButton("kGlobalLocalControl", -1, gx + 466, r1 - 2, "BTN_SMALL_ID");
                  settingMenu("kGlobalControlSend", -1, gx, r2, 90);
                  settingMenu("kGlobalReceive", -1, gx + 110, r2, 50);
                  settingMenu("kGlobalTxProgramChange", -1, gx + 184, r2, 84);
                  settingMenu("kGlobalRxProgramChange", -1, gx + 292, r2, 84);
                  settingMenu("kGlobalControlW", -1, gx + 540, r1, 44);
                  settingMenu("kGlobalControlX", -1, gx + 610, r1, 44);
                  settingMenu("kGlobalControlY", -1, gx + 540, r2, 44);
                  settingMenu("kGlobalControlZ", -1, gx + 610, r2, 44);
                  autoOff("kPushArrangement", gx + 700, r1, "BTN_127x18_ID", "");
                  caption(gx + 763, r1 - 6, "SEND MULTI TO SYNTH", 9, Align::Center, true);
                  autoOff("kRequestTempData", gx + 700, r2, "BTN_127x18_ID", "");
                  caption(gx + 763, r2 - 6, "REQUEST MULTI", 9, Align::Center, true);
                  switchControl("kSectionLockGlobal", gx + 1004, sy + 10, "BUTTON_LOCK_ID", "");
                  // The editor core writes into the first control of kControlLibrary: the display comes
                  // first.
                  box(BoxKind::Screen, gx + 848, r2 - 2, 64, 16);
                  display("kControlLibrary", gx + 850, r2, 60, 12);
                  switchControl("kControlLibrary", gx + 860, r1 - 2, "BTN_SMALL_ID", "PC LIBRARY");
                  switchControl("kControlProgBank", gx + 940, r1 - 2, "BTN_SMALL_ID", "PC BANK");
                  group_.clear();
                  endPanel();

                  const int mx = 6;
                  const int my = sy + 124;
                  beginPanel("MULTI_MIXER_BG_ID", mx, my);
                  section(mx + 6, my + 4, 1476, 519, "MULTI MIXER");
                  const int head = my + 38;
                  const char* heads[] = {"PART",  "MIDI",    "SOUND",   "CHANNEL",  "VOLUME", "PAN",
                                         "TRANS", "DETUNE",  "KEY LOW", "KEY HIGH", "VEL LO", "VEL HI",
                                         "MORE",  "RECEIVE", "LOCK",    "BANK",     "PROG"};
                  const int headX[] = {32,  64,  150, 246, 356,  437,  487,  537, 592,
                                       652, 709, 759, 800, 1088, 1372, 1411, 1451};
                  for (int i = 0; i < 17; ++i)
                    caption(mx + headX[i], head, heads[i], 9, Align::Center, true);
                  for (int p = 0; p < kParts; ++p)
                  {
                    const int ry = head + 8 + p * 29;
                    group_ = "Part " + std::to_string(p + 1);
                    settingButton("kMultiPartStatus", p, mx + 14, ry + 3,
                                  "BUTTON_MIXER_MUTE" + std::to_string(p + 1) + "_ID", false);
                    switchControl("kMIDILed+" + std::to_string(p), mx + 56, ry + 6, "LED_MIXER_MIDI_LARGE_ID",
                                  "");
                    nameDisplay("kPatchName+" + std::to_string(p), mx + 86, ry + 8, 130, 13, 16, "");
                    settingMenu("kMultiPartMIDICh", p, mx + 226, ry + 8, 40, false);
                    settingSlider("kMultiPartLevel", p, mx + 290, ry + 3, 130, false);
                    settingKnob("kMultiPartPanning", p, mx + 422, ry, "IKNOBROTATERCONTROL_ID3", false);
                    settingKnob("kMultiPartTranspose", p, mx + 472, ry, "IKNOBROTATERCONTROL_ID3", false);
                    settingKnob("kMultiPartDetune", p, mx + 522, ry, "IKNOBROTATERCONTROL_ID3", false);
                    settingMenu("kMultiPartKeyLow", p, mx + 570, ry + 8, 44, false);
                    settingMenu("kMultiPartKeyHigh", p, mx + 630, ry + 8, 44, false);
                    settingKnob("kMultiPartVeloLow", p, mx + 694, ry, "IKNOBROTATERCONTROL_ID3", false);
                    settingKnob("kMultiPartVeloHigh", p, mx + 744, ry, "IKNOBROTATERCONTROL_ID3", false);
                    switchControl("kMultiPartSettings+" + std::to_string(p), mx + 789, ry + 4,
                                  "GEARS_ICON_ID", "");
                    switchControl("kPartLock+" + std::to_string(p), mx + 1363, ry + 6, "BUTTON_LOCK_ID", "");
                    numberMenu("kMultiPartBank+" + std::to_string(p), mx + 1404, ry + 8, 14, 13, 8,
                               "bankLetters", 0, 1, "");
                    numberMenu("kMultiPartPatch+" + std::to_string(p), mx + 1436, ry + 8, 30, 13, 128, "", 1,
                               1, "");
                  }
                  group_.clear();
                  endPanel();
                });
          // The receive switches of each part, shown by the part's "MORE" switch.
          for (int p = 0; p < kParts; ++p)
          {
            layer("multiSettingsPart" + two(p + 1), 101 + p,
                  [&]
                  {
                    const int x = 6 + 826;
                    const int y = kPageY + 124 + 46 + p * 29;
                    beginPanel("MULTI_PART_SETTINGS_BG_ID", x, y);
                    group_ = "Part " + std::to_string(p + 1);
                    const char* flags[] = {"kReceiveMIDI",      "kReceiveUSB",      "kReceiveLocal",
                                           "kReceivePitchBend", "kReceiveModWheel", "kReceivePressure",
                                           "kReceiveSustain",   "kReceiveEdits",    "kReceiveProgramChange"};
                    for (int f = 0; f < 9; ++f)
                    {
                      const int fx = x + 8 + f * 56;
                      settingButton(flags[f], p, fx, y + 7, "BTN_CHECKBOX_ID", false);
                      caption(fx + 20, y + 19, settingParam(flags[f]).caption, 9, Align::Left, true);
                    }
                    group_.clear();
                    endPanel();
                  });
          }
        });
}

// ---------------------------------------------------------------------------------------------------
// Page 1: the librarian.

void UiBuilder::buildLibrarianPage()
{
  layer("patchLibrarian", 1,
        [&]
        {
          beginPanel("MANAGER_BG_ID2", kPageX, kPageY);
          section(kPageX + 6, kPageY + 6, kPageWidth - 12, 74, "LIBRARIAN");
          group_ = "Librarian";
          const int by = kPageY + 44;
          switchControl("kDatatype", 394, by, "BUTTON_LIB_DATATYPE_ID", "");
          caption(394 + 48, by - 6, "SOUNDS / MULTIS", 9, Align::Center, true);
          switchControl("kPatchSearch", 500, by, "BUTTON_BANK_SEARCH_ID", "");
          // The bank "from Selected Program Slot" of the bank edit menu requests from.
          numberMenu("kRequestFromBank", 864, by + 3, 40, 13, 8, "bankLetters", 0, 1, "REQUEST BANK");
          autoOff("kRefreshFolders", 948, by + 2, "BTN_127x18_ID", "");
          caption(948 + 63, by - 6, "RESCAN FOLDERS", 9, Align::Center, true);
          numberMenu("kLibSyncTimer", 1094, by + 3, 40, 13, 10, "", 0, 1, "SEND PAUSE");

          // Upper pane: the bank being edited; lower pane: the source bank. The menus over the bank names
          // are the editor core's; the names themselves are these displays.
          XmlNode& browser = element("patchBrowser");
          browser.attr("paramId", "kLibrarianArea").attr("imageId", "BG_ID_BROWSER");
          browser.attr("bounds", bounds({394, 209, 1036, 498}));
          caption(kMenuLeft, kUpperMenuY - 5, "EDITED BANK", 9, Align::Left, true);
          box(BoxKind::Lcd, kMenuLeft, kUpperMenuY, kMenuRight - kMenuLeft, 19);
          textMenu("kPatchSelectionListUpper", kMenuLeft + 4, kUpperMenuY + 3, kMenuRight - kMenuLeft - 8, 13,
                   "Bank Selection List 1");
          caption(kMenuLeft, kLowerMenuY - 5, "SOURCE BANK", 9, Align::Left, true);
          box(BoxKind::Lcd, kMenuLeft, kLowerMenuY, kMenuRight - kMenuLeft, 19);
          textMenu("kPatchSelectionListLower", kMenuLeft + 4, kLowerMenuY + 3, kMenuRight - kMenuLeft - 8, 13,
                   "Bank Selection List 2");
          autoOff("kLibUpperPreviousBank", 922, kUpperMenuY - 1, "BUTTON_PATCHDW_ID", "");
          autoOff("kLibUpperNextBank", 946, kUpperMenuY - 1, "BUTTON_PATCHUP_ID", "");
          autoOff("kLibLowerPreviousBank", 814, kLowerMenuY - 1, "BUTTON_PATCHDW_ID", "");
          autoOff("kLibLowerNextBank", 838, kLowerMenuY - 1, "BUTTON_PATCHUP_ID", "");
          box(BoxKind::Lcd, 839, 187, 77, 18);
          caption(877, 200, "BANK EDIT", 9, Align::Center, true);
          caption(1258, kUpperMenuY + 13, "KEEP BANK OPEN", 9, Align::Left, true);
          group_.clear();
          endPanel();
        });
}

// Layers of the librarian page that the editor switches on their own.
void UiBuilder::buildLibrarianLayers()
{
  const int by = kPageY + 44;
  group_ = "Librarian";
  layer("categoryLimit", 31,
        [&]
        {
          beginPanel("BG_ID_CATEGORY_FILTER", 580, by - 2);
          switchControl("kCategorySelection", 584, by, "BTN_OFFON_ID", "");
          caption(700, by + 15, "BY CATEGORY", 10, Align::Left, true);
          endPanel();
        });
  layer("searchField", 32,
        [&]
        {
          beginPanel("BG_SEARCH_FIELD_ID", 580, by - 2);
          nameDisplay("kPatchSearchString", 588, by + 5, 224, 13, 16, "");
          endPanel();
        });
  layer("saveChangesLayer", 33,
        [&] { autoOff("kOverwriteBank", 1134, kUpperMenuY - 2, "BUTTON_BANK_OVERWRITE_ID", ""); });
  // Beside STORE SOUND, clear of the keep-bank switch and its caption on the page.
  layer("discardChangesLayerRight", 34,
        [&] { autoOff("kDiscardBankData", 1030, kUpperMenuY - 2, "BUTTON_LIB_DISCARD_ID", ""); });
  layer("keepBankOpenLayer", 35,
        [&] { switchControl("kKeepSelectedBank", 1236, kUpperMenuY, "BTN_CHECKBOX_ID", "", 1); });
  layer("patchRename", 36,
        [&]
        {
          beginPanel("BG_RENAME_ID", 1240, kLowerMenuY - 22);
          caption(1250, kLowerMenuY - 8, "NEW NAME", 9, Align::Left, true);
          nameDisplay("kPatchRename", 1250, kLowerMenuY, 220, 13, 16, "");
          endPanel();
        });
  group_.clear();
}

// ---------------------------------------------------------------------------------------------------
// Part mixer beside pages 1 to 5, with the part selector.

void UiBuilder::buildMiniMixer()
{
  layer("miniMixer", 0,
        [&]
        {
          const int x = 6;
          const int y = kPageY;
          beginPanel("QUICK_MIXER_ID", x, y);
          section(x + 4, y + 4, 366, 643, "PARTS");
          const int top = y + 36;
          const char* heads[] = {"PART", "MIDI", "PLAY", "VOLUME", "PAN", "LOCK", "CH"};
          const int headX[] = {24, 54, 80, 160, 258, 296, 336};
          for (int i = 0; i < 7; ++i)
            caption(x + headX[i], top - 6, heads[i], 9, Align::Center, true);
          radio("kQuickTab", x + 6, top, "BUTTON_TAB_SIDEBAR_ID", kParts, "Part");
          for (int p = 0; p < kParts; ++p)
          {
            const int ry = top + p * 38;
            group_ = "Part " + std::to_string(p + 1);
            switchControl("kMIDILed+" + std::to_string(p), x + 48, ry + 13, "LED_MIXER_MIDI_ID", "");
            settingButton("kMultiPartStatus", p, x + 60, ry + 10, "BUTTON_PART_MUTE", false);
            settingSlider("kMultiPartLevel", p, x + 106, ry + 8, 110, false);
            settingKnob("kMultiPartPanning", p, x + 243, ry + 4, "IKNOBROTATERCONTROL_ID3", false);
            switchControl("kPartLock+" + std::to_string(p), x + 287, ry + 10, "BUTTON_LOCK_ID", "");
            settingMenu("kMultiPartMIDICh", p, x + 316, ry + 12, 42, false);
          }
          group_.clear();
          endPanel();
        });
}

// Bank and program selectors of each part and of the multi, under the editor core's selector menus.
void UiBuilder::buildBankAndProgram()
{
  for (int p = 0; p <= kParts; ++p)
  {
    const bool multi = p == kParts;
    layer(multi ? "bankAndProgramMulti" : "bankAndProgram" + two(p + 1), multi ? 17 : p + 1,
          [&]
          {
            group_ = multi ? "Multi" : "Part " + std::to_string(p + 1);
            const std::string bank = multi ? "kMultiBank" : "kMultiPartBank+" + std::to_string(p);
            const std::string program = multi ? "kMultiPatch" : "kMultiPartPatch+" + std::to_string(p);
            numberMenu(bank, kBankMenuX + 6, kSelectorY + 3, 30, 19, 8, "bankLetters", 0, 1, "");
            numberMenu(program, kProgramMenuX + 2, kSelectorY + 3, 42, 19, 128, "", 1, 1, "");
            if (!multi)
            {
              autoOff("kPatchDown+" + std::to_string(p), 1234, kSelectorY + 2, "BUTTON_PATCHDW_ID", "");
              autoOff("kPatchUp+" + std::to_string(p), 1258, kSelectorY + 2, "BUTTON_PATCHUP_ID", "");
            }
            group_.clear();
          });
  }
}

// ---------------------------------------------------------------------------------------------------
// Windows above everything: about, first run, bank conflict and the MIDI filters.

void UiBuilder::buildWindows()
{
  layer("aboutWindow", 40,
        [&]
        {
          const int x = 490, y = 228;
          beginPanel("BG_ABOUT_ID", x, y);
          caption(x + 260, y + 60, "KORVID EDITOR", 26, Align::Center, true);
          caption(x + 260, y + 90, "Sound editor and librarian for the Blofeld synthesizer", 12);
          caption(x + 260, y + 130, "Edit every sound parameter of the sixteen multi parts,", 11);
          caption(x + 260, y + 148, "keep banks of sounds and multis, and send them to the synthesizer.", 11);
          caption(x + 260, y + 186, "Set the MIDI ports in the header before editing.", 11);
          autoOff("kExitAboutWindow", x + 215, y + 250, "BTN_EXIT_ABOUT_ID", "");
          endPanel();
        });
  layer("firstRunNotification", 41,
        [&]
        {
          const int x = 470, y = 228;
          beginPanel("BG_FIRST_RUN_ID", x, y);
          caption(x + 280, y + 56, "WELCOME TO KORVID EDITOR", 22, Align::Center, true);
          caption(x + 280, y + 100, "1. Choose the synthesizer's ports under MIDI OUT and MIDI IN.", 12);
          caption(x + 280, y + 124, "2. Pick a part on the left: the four sound pages edit that part.", 12);
          caption(x + 280, y + 148, "3. The MULTI page sets up the sixteen parts and the global settings.",
                  12);
          caption(x + 280, y + 172, "4. The LIBRARIAN page keeps your banks of sounds and multis.", 12);
          autoOff("kFirstRunExit", x + 235, y + 246, "BTN_EXIT_FIRST_RUN_ID", "");
          endPanel();
        });
  layer("bankPatchConflictWindow", 42,
        [&]
        {
          const int x = 530, y = 300;
          beginPanel("BG_PATCH_CONFLICT_ID", x, y);
          caption(x + 220, y + 44, "BANK AND PROGRAM IN USE", 16, Align::Center, true);
          caption(x + 220, y + 76, "Another active part already plays this bank and program.", 11);
          caption(x + 220, y + 94, "Choose another program for this part.", 11);
          autoOff("kFirstRunExit", x + 175, y + 120, "BTN_EXIT_FIRST_RUN_ID", "");
          endPanel();
        });
  layer("midiFilterSettings", 43,
        [&]
        {
          const int x = 470, y = 200;
          beginPanel("BG_ID_MIDI_FILTERS", x, y);
          caption(x + 280, y + 34, "MIDI FILTERS AND CLOCK", 16, Align::Center, true);
          caption(x + 150, y + 64, "FROM THE HOST", 11, Align::Center, true);
          caption(x + 410, y + 64, "FROM THE SYNTHESIZER", 11, Align::Center, true);
          group_ = "MIDI";
          const char* kinds[] = {"CC", "PC", "Note", "PP", "PA", "CA", "SE"};
          const char* labels[] = {"Controllers",   "Program changes",  "Notes",           "Pitch bend",
                                  "Poly pressure", "Channel pressure", "System exclusive"};
          for (int i = 0; i < 7; ++i)
          {
            const int ry = y + 78 + i * 24;
            switchControl(std::string("kMIDIFilterDAW") + kinds[i] + "PassThrough", x + 60, ry,
                          "BTN_CHECKBOX_ID", "", 1);
            caption(x + 84, ry + 12, labels[i], 11, Align::Left);
            switchControl(std::string("kMIDIFilterHW") + kinds[i] + "PassThrough", x + 320, ry,
                          "BTN_CHECKBOX_ID", "", 1);
            caption(x + 344, ry + 12, labels[i], 11, Align::Left);
          }
          const int oy = y + 258;
          switchControl("kMIDIFilterTrackIncomingMIDI", x + 60, oy, "BTN_CHECKBOX_ID", "");
          caption(x + 84, oy + 12, "Part lights follow incoming MIDI", 11, Align::Left);
          switchControl("kMIDIFilterDirectToHardware", x + 320, oy, "BTN_CHECKBOX_ID", "");
          caption(x + 344, oy + 12, "Host MIDI straight to the synthesizer", 11, Align::Left);
          switchControl("kMIDIFilterToDAWBuffer", x + 60, oy + 24, "BTN_CHECKBOX_ID", "");
          caption(x + 84, oy + 36, "Queue MIDI to the synthesizer", 11, Align::Left);
          switchControl("kSendMIDIClockInfo", x + 320, oy + 24, "BTN_CHECKBOX_ID", "");
          caption(x + 344, oy + 36, "Send MIDI clock", 11, Align::Left);
          switchControl("kSendMIDIClockPointer", x + 320, oy + 48, "BTN_CHECKBOX_ID", "");
          caption(x + 344, oy + 60, "Send song position", 11, Align::Left);
          switchControl("kViewMIDIFilterSettings", x + 60, oy + 48, "BTN_18x18_ID", "");
          caption(x + 84, oy + 60, "Close", 11, Align::Left, true);
          group_.clear();
          endPanel();
        });
}

} // namespace resgen
