-- Creates a session at arg[1] named arg[2] with one MIDI track playing the Korvid Editor, saves it and quits.
-- Ardour's own dummy audio backend: the plug-in's MIDI ports are its own, on the test's JACK server.
local dir, name = arg[1], arg[2]
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(not backend:isnil(), "no dummy audio backend")
assert(AudioEngine:start(false) == 0, "the audio engine did not start")
local session = create_session(dir, name, 48000)
assert(session, "the session was not created")
-- Plug-ins are listed only once a session exists.
local plugin = ARDOUR.LuaAPI.new_plugin_info("Korvid Editor", ARDOUR.PluginType.LXVST)
assert(not plugin:isnil(), "Korvid Editor was not found among the VST plug-ins")
local tracks = session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
  ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), true, plugin, nil, nil, 1, "Blofeld",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert(tracks:size() == 1, "no track with the plug-in")
session:save_state("", false, false, false, false, false)
close_session()
print("session created")
