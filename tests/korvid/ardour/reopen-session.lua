-- Opens the session at arg[1] named arg[2] (the plug-in is given its stored state), saves it again and quits.
local dir, name = arg[1], arg[2]
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(not backend:isnil(), "no dummy audio backend")
assert(AudioEngine:start(false) == 0, "the audio engine did not start")
local session = load_session(dir, name)
assert(session, "the session was not opened")
session:save_state("", false, false, false, false, false)
close_session()
print("session reopened and saved")
