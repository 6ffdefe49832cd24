-- Every plugin of a bundle in Ardour, run headless by ardour7-lua:
--   ardour7-lua ardour_session.lua <bundle folder> <session folder>
-- Each plugin named in the bundle's manifest is found, put on a track of its
-- own (an instrument on a MIDI track), its controls are listed and checked
-- against its Turtle file (names, lists, switches, logarithmic scales; the
-- lv2:enabled control is what Ardour's bypass switches), every preset is loaded after every other (a
-- preset sets every control, so the order never matters), each control is
-- moved off its default, the session is saved, closed and loaded again, and
-- every plugin must come back with the values it had. Prints one line per
-- fault and "RESULT: PASS" or "RESULT: FAIL" last.
io.stdout:setvbuf("no")
local bundle, dir = arg[1], arg[2]
local faults = 0
local function fault(text)
  print("FAULT: " .. text)
  faults = faults + 1
end

local function read(path)
  local f = io.open(path, "r")
  if not f then return nil end
  local text = f:read("a")
  f:close()
  return text
end

-- The plugins of the bundle, with the file each is described in.
local plugins = {}
local manifest = read(bundle .. "/manifest.ttl") or ""
for uri, body in manifest:gmatch("<([^>]+)>%s+a lv2:Plugin ;(.-)%.\n") do
  local ttl = body:match("rdfs:seeAlso <([^>]+)>")
  plugins[#plugins + 1] = { uri = uri, ttl = read(bundle .. "/" .. ttl) or "" }
end
if #plugins == 0 then fault("no plugin in " .. bundle .. "/manifest.ttl") end

-- What the Turtle file promises: its input controls by name, each with the
-- properties a host shows (a list, a switch, a logarithmic scale).
local function promised_controls(ttl)
  local list = {}
  for port in ttl:gmatch("a lv2:InputPort, lv2:ControlPort ;(.-)\n  %]") do
    list[#list + 1] = { name = port:match('lv2:name "(.-)"'),
                        enumeration = port:find("lv2:enumeration", 1, true) ~= nil,
                        toggled = port:find("lv2:toggled", 1, true) ~= nil,
                        logarithmic = port:find("pprops:logarithmic", 1, true) ~= nil,
                        bypass = port:find("lv2:designation lv2:enabled", 1, true) ~= nil }
  end
  return list
end

-- The input controls Ardour shows for a plugin insert: { {n, label, lower, upper, toggled} }.
local function controls(proc)
  local plug = proc:to_insert():plugin(0)
  local list = {}
  local n = 0
  for j = 0, plug:parameter_count() - 1 do
    if plug:parameter_is_control(j) and plug:parameter_is_input(j) then
      local _, d = plug:get_parameter_descriptor(j, ARDOUR.ParameterDescriptor())
      list[#list + 1] = { n = n, label = plug:parameter_label(j), lower = d[2].lower,
                          upper = d[2].upper, toggled = d[2].toggled,
                          enumeration = d[2].enumeration, logarithmic = d[2].logarithmic }
      n = n + 1
    end
  end
  return list
end

local function values(proc, list)
  local v = {}
  for i, c in ipairs(list) do v[i] = ARDOUR.LuaAPI.get_processor_param(proc, c.n) end
  return v
end

local function same(a, b)
  for i = 1, math.max(#a, #b) do
    if a[i] == nil or b[i] == nil or math.abs(a[i] - b[i]) > 1e-4 * math.max(1, math.abs(a[i])) then
      return false, i
    end
  end
  return true
end

-- Every preset loaded after every other gives the same values.
local function check_presets(name, proc, info, list)
  local plug = proc:to_insert():plugin(0)
  local presets = {}
  for ps in info:get_presets():iter() do presets[#presets + 1] = ps.label end
  local want = {}
  for _, p in ipairs(presets) do
    plug:load_preset(plug:preset_by_label(p))
    want[p] = values(proc, list)
  end
  for _, p in ipairs(presets) do
    for _, q in ipairs(presets) do
      plug:load_preset(plug:preset_by_label(q))
      plug:load_preset(plug:preset_by_label(p))
      local ok, at = same(values(proc, list), want[p])
      if not ok then
        fault(string.format("%s: preset \"%s\" after \"%s\" leaves %s different", name, p, q,
                            list[at].label))
      end
    end
  end
  return #presets
end

AudioEngine:set_backend("None (Dummy)", "", "")
if not create_session(dir, "bundle-check", 48000) then
  fault("no session made in " .. dir)
  print("RESULT: FAIL")
  return
end

local audio, midi = ARDOUR.DataType("audio"), ARDOUR.DataType("midi")
local expected = {}
for i, p in ipairs(plugins) do
  local info
  for pi in ARDOUR.LuaAPI.list_plugins():iter() do
    if pi.unique_id == p.uri then info = pi end
  end
  local track = "plugin " .. i
  if not info then
    fault(p.uri .. " is not found")
    goto next
  end
  do
    local proc
    if info:is_instrument() then
      local tl = Session:new_midi_track(ARDOUR.ChanCount(midi, 1), ARDOUR.ChanCount(audio, 2), true,
                                        info, nil, nil, 1, track, ARDOUR.PresentationInfo.max_order,
                                        ARDOUR.TrackMode.Normal, true, false)
      proc = tl:front():nth_plugin(0)
    else
      local channels = info.n_outputs:n_audio()
      local tl = Session:new_audio_track(channels, channels, nil, 1, track,
                                         ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal,
                                         true)
      proc = ARDOUR.LuaAPI.new_plugin(Session, p.uri, ARDOUR.PluginType.LV2, "")
      if proc:isnil() or tl:front():add_processor_by_index(proc, 0, nil, true) ~= 0 then
        fault(p.uri .. " cannot be added to a track")
        goto next
      end
    end
    if proc:isnil() then
      fault(p.uri .. " is not on its track")
      goto next
    end
    local list = controls(proc)
    print(string.format("%s (%s, %s): %d controls", p.uri, info.name, info.category, #list))
    for _, c in ipairs(list) do
      print(string.format("  %-20s %g  [%g, %g]", c.label, ARDOUR.LuaAPI.get_processor_param(proc, c.n),
                          c.lower, c.upper))
    end
    local promised = promised_controls(p.ttl)
    if #list ~= #promised then
      fault(string.format("%s: Ardour shows %d controls, its Turtle file has %d", p.uri, #list,
                          #promised))
    end
    for i, want in ipairs(promised) do
      local c = list[i]
      if c and (c.label ~= want.name or c.enumeration ~= want.enumeration
                or c.toggled ~= want.toggled or c.logarithmic ~= want.logarithmic) then
        fault(string.format("%s: \"%s\" shows as \"%s\" (list %s, switch %s, log %s)", p.uri,
                            want.name, c.label, tostring(c.enumeration), tostring(c.toggled),
                            tostring(c.logarithmic)))
      end
    end
    -- Ardour's own bypass switches a plugin's lv2:enabled control, and leaves
    -- the plugin running so that it can crossfade.
    for i, want in ipairs(promised) do
      if want.bypass and list[i] then
        proc:to_insert():enable(false)
        local off = ARDOUR.LuaAPI.get_processor_param(proc, list[i].n)
        proc:to_insert():enable(true)
        local on = ARDOUR.LuaAPI.get_processor_param(proc, list[i].n)
        if off ~= 0 or on ~= 1 or not proc:active() then
          fault(string.format("%s: Ardour's bypass does not switch \"%s\" (%g, %g)", p.uri,
                              want.name, off, on))
        end
      end
    end
    print(string.format("  %d presets, each after every other", check_presets(p.uri, proc, info, list)))
    -- Off the defaults: what the saved session must bring back.
    for _, c in ipairs(list) do
      local now = ARDOUR.LuaAPI.get_processor_param(proc, c.n)
      local v = (math.abs(now - c.upper) > 1e-6) and c.upper or c.lower
      ARDOUR.LuaAPI.set_processor_param(proc, c.n, v)
    end
    expected[#expected + 1] = { track = track, uri = p.uri, values = values(proc, list) }
  end
  ::next::
end

-- A moment of processing: the engine runs every track while the session is open.
sleep(0.3)
Session:save_state("", false, false, false, false, false)
close_session()

if not load_session(dir, "bundle-check") then
  fault("the saved session does not load")
else
  for _, e in ipairs(expected) do
    local route = Session:route_by_name(e.track)
    local proc = (not route:isnil()) and route:nth_plugin(0) or nil
    if proc == nil or proc:isnil() or proc:to_insert():plugin(0):unique_id() ~= e.uri then
      fault(e.uri .. " is not back on its track after loading")
    else
      local ok, at = same(values(proc, controls(proc)), e.values)
      if not ok then fault(string.format("%s: control %d differs after loading", e.uri, at)) end
      print("back after loading: " .. e.uri)
    end
  end
  sleep(0.3)
  close_session()
end
print(faults == 0 and "RESULT: PASS" or "RESULT: FAIL")
