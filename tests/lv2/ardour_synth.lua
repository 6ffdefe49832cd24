-- The synth played in Ardour, run headless by ardour7-lua:
--   ardour7-lua ardour_synth.lua <bundle folder> <session folder>
-- The synth on a MIDI track of a session on Ardour's dummy backend gets its
-- MIDI the way a keyboard's arrives (the track's immediate events) and the
-- track's own peak meter, after the fader at 0 dB, hears it: silence before
-- any note, a note on both channels, the Volume control moved in Ardour heard
-- as that many dB, the test chord below full scale, the sustain pedal holding
-- a released note and all notes off silencing it within the release. Prints
-- one line per check and "RESULT: PASS" or "RESULT: FAIL" last.
io.stdout:setvbuf("no")
local bundle, dir = arg[1], arg[2]
local uri = "urn:ladder-osc-modules:synth"
local faults = 0
local function check(ok, text)
  print((ok and "ok: " or "FAULT: ") .. text)
  if not ok then faults = faults + 1 end
end

AudioEngine:set_backend("None (Dummy)", "", "")
if not create_session(dir, "synth-plays", 48000) then
  print("FAULT: no session made in " .. dir)
  print("RESULT: FAIL")
  return
end

local info
for pi in ARDOUR.LuaAPI.list_plugins():iter() do
  if pi.unique_id == uri then info = pi end
end
if not info then
  print("FAULT: " .. uri .. " is not found in " .. bundle)
  print("RESULT: FAIL")
  return
end
local audio, midi = ARDOUR.DataType("audio"), ARDOUR.DataType("midi")
local route = Session:new_midi_track(ARDOUR.ChanCount(midi, 1), ARDOUR.ChanCount(audio, 2), true,
                                     info, nil, nil, 1, "synth", ARDOUR.PresentationInfo.max_order,
                                     ARDOUR.TrackMode.Normal, true, false):front()
local track = route:to_track():to_midi_track()
local proc = route:nth_plugin(0)

local function send(bytes)
  local v = C.ByteVector()
  v:add(bytes)
  return track:write_immediate_event(Evoral.EventType.MIDI_EVENT, #bytes, v:to_array())
end

-- The loudest sample of each output over the next `seconds`, in dBFS. The
-- track's meter counts its MIDI channel first, then the two audio channels.
local function peaks(seconds)
  local meter = route:peak_meter()
  meter:reset_max()
  sleep(seconds)
  return meter:meter_level(1, ARDOUR.MeterType.MeterMaxPeak),
         meter:meter_level(2, ARDOUR.MeterType.MeterMaxPeak)
end
local function loudest(seconds)
  local l, r = peaks(seconds)
  return math.max(l, r), l, r
end

local function control(label)
  local plug = proc:to_insert():plugin(0)
  local n = 0
  for j = 0, plug:parameter_count() - 1 do
    if plug:parameter_is_control(j) and plug:parameter_is_input(j) then
      if plug:parameter_label(j) == label then return n end
      n = n + 1
    end
  end
  return nil
end

sleep(0.3)
local quiet = loudest(0.3)
check(quiet < -120, string.format("silent before any note (%g dBFS)", quiet))

check(send({0x90, 69, 100}), "note on taken by the track")
sleep(0.3) -- past the attack and decay: the held level
local _, l, r = loudest(0.3)
check(l > -40 and l < -1 and r > -40 and r < -1,
      string.format("a held note sounds on both channels below full scale (%.1f, %.1f dBFS)", l, r))

local volume = control("Volume")
check(volume ~= nil, "the Volume control is shown")
if volume then
  local was = ARDOUR.LuaAPI.get_processor_param(proc, volume)
  ARDOUR.LuaAPI.set_processor_param(proc, volume, was - 20)
  sleep(0.2)
  local lower = loudest(0.3)
  check(math.abs((math.max(l, r) - lower) - 20) < 2,
        string.format("Volume moved by -20 dB in Ardour: %.1f dB quieter", math.max(l, r) - lower))
  ARDOUR.LuaAPI.set_processor_param(proc, volume, was)
  sleep(0.2)
end
send({0x80, 69, 0})

-- The test chord at full velocity.
sleep(0.5)
for _, note in ipairs({48, 52, 55, 59, 60, 64, 67, 71}) do send({0x90, note, 127}) end
local chord = loudest(0.6)
check(chord < 0 and chord > math.max(l, r),
      string.format("the test chord is louder than one note and below full scale (%.1f dBFS)", chord))
for _, note in ipairs({48, 52, 55, 59, 60, 64, 67, 71}) do send({0x80, note, 0}) end
sleep(0.6)
local after = loudest(0.3)
check(after < -120, string.format("released notes end within the release (%g dBFS)", after))

-- The sustain pedal holds a released note; all notes off ends it.
send({0xB0, 64, 127})
send({0x90, 57, 100})
sleep(0.2)
send({0x80, 57, 0})
sleep(0.5)
local held = loudest(0.3)
check(held > -40, string.format("the pedal holds a released note (%.1f dBFS)", held))
send({0xB0, 123, 0})
sleep(0.6)
local ended = loudest(0.3)
check(ended < -120, string.format("all notes off silences it within the release (%g dBFS)", ended))
send({0xB0, 64, 0})

close_session()
print(faults == 0 and "RESULT: PASS" or "RESULT: FAIL")
