-- Runs inside the headless Ardour 7 Lua session tool (ardour7-lua) on the dummy audio backend:
--   ardour7-lua ardour_session.lua SESSION_DIR LV2_URI [sound]
-- The VST2, VST3 and LV2 builds of the plug-in are loaded into a new session, one stereo track
-- each. For every format it checks the plug-in's name, its channel counts and its ten parameters,
-- sets Gain to 0.75 and Treble to 0.3 (stored as step 4 of 14), lets the engine run, saves the
-- session and closes it. The session is then loaded again and the values must come back from the
-- plug-in itself: VST2 and VST3 report them through the parameter interface; the LV2 build keeps
-- its parameters as LV2 properties that Ardour does not read back, so its restored state is
-- re-saved and the state the plug-in hands over is decoded and read.
-- With "sound", Ardour's own sine generator (SinGen, -18 dBFS, 1 kHz) feeds each plug-in and the
-- track's meter after the plug-in must show sound that the plug-in has changed (not silence, not
-- the bare sine), so the plug-in found its model data where it was installed.
-- Prints one line per format and phase; exits 1 after any failed check.

local session_dir, lv2_uri, want_sound = arg[1], arg[2], arg[3] == "sound"
if not session_dir or not lv2_uri then
  print("usage: ardour7-lua ardour_session.lua SESSION_DIR LV2_URI")
  os.exit(2)
end
local session_name = "ravlin-hosts"
local plugin_name = "RAVLIN Preamp v1.3"
local parameter_names = { "Dual Triodes", "Input", "Gain", "Treble", "Middle", "Bass", "Output",
                          "Oversampling", "Mono/Stereo", "Show settings" }
local parameter_ids = { "dualTriodes", "input", "gain", "treble", "middle", "bass", "output",
                        "oversampling", "monoStereo", "showSettings" }
local formats = {
  { label = "VST2", type = ARDOUR.PluginType.LXVST, id = plugin_name },
  { label = "VST3", type = ARDOUR.PluginType.VST3, id = plugin_name },
  { label = "LV2", type = ARDOUR.PluginType.LV2, id = lv2_uri },
}
local gain_set, treble_set, treble_stored = 0.75, 0.3, 4 / 14

local failures = 0
local function check(ok, what)
  if not ok then
    print("ardour: FAIL: " .. what)
    failures = failures + 1
  end
  return ok
end
local function near(a, b) return a ~= nil and math.abs(a - b) < 1e-5 end

-- Index of each named input parameter (VST2, VST3), or the property controls by id (LV2).
local function named_parameters(proc)
  local plugin = proc:to_insert():plugin(0)
  local found = {}
  for i = 0, plugin:parameter_count() - 1 do
    if plugin:parameter_is_input(i) and plugin:parameter_is_control(i) then
      found[plugin:parameter_label(i)] = i
    end
  end
  return found, plugin:parameter_count()
end

local function property_controls(proc)
  local auto = proc:to_automatable()
  local found = {}
  for param in auto:all_automatable_params():iter() do
    local ac = auto:automation_control(param, false)
    if not ac:isnil() then
      local id = ac:name():match("^property%-" .. lv2_uri:gsub("%p", "%%%0") .. ":(.+)$")
      if id then found[id] = ac end
    end
  end
  return found
end

local function track_name(f) return "RAVLIN " .. f.label end

-- Our plug-in on a route (the sine generator may sit before it).
local function our_plugin(route)
  for i = 0, 3 do
    local proc = route:nth_plugin(i)
    if proc:isnil() then break end
    if proc:to_insert():plugin(0):name() == plugin_name then return proc end
  end
  return nil
end

-- The plug-in state as the framework's LV2 wrapper stores it: "<byte count>.<6-bit digits>",
-- digits from the alphabet below, least significant bit first.
local function decode_state_string(text)
  local count, body = text:match("^(%d+)%.(.*)$")
  if not count then return nil end
  count = tonumber(count)
  local alphabet = ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+"
  local value = {}
  for i = 1, #alphabet do value[alphabet:byte(i)] = i - 1 end
  local bytes = {}
  for i = 1, count do bytes[i] = 0 end
  local bit = 0
  for i = 1, #body do
    local v = value[body:byte(i)]
    if v then
      for b = 0, 5 do
        if (v >> b) & 1 == 1 then
          local k = ((bit + b) >> 3) + 1
          if k <= count then bytes[k] = bytes[k] | (1 << ((bit + b) & 7)) end
        end
      end
      bit = bit + 6
    end
  end
  local parts = {}
  for i = 1, count, 4096 do
    parts[#parts + 1] = string.char(table.unpack(bytes, i, math.min(i + 4095, count)))
  end
  return table.concat(parts)
end

local function read_file(path)
  local f = io.open(path, "rb")
  if not f then return nil end
  local text = f:read("a")
  f:close()
  return text
end

-- The state chunk the LV2 build handed to Ardour at the last save, from the session file.
local function saved_lv2_chunk(snapshot)
  local xml = read_file(session_dir .. "/" .. snapshot .. ".ardour")
  if not xml then return nil, "no session file " .. snapshot .. ".ardour" end
  local id, rest = xml:match('<Processor id="(%d+)"[^>]-type="lv2"[^>]-unique%-id="' ..
                             lv2_uri:gsub("%p", "%%%0") .. '"(.-)</Processor>')
  if not id then return nil, "no LV2 processor in the session file" end
  local dir = rest:match('state%-dir="([^"]+)"')
  if not dir then return nil, "no LV2 state folder in the session file" end
  local ttl = read_file(session_dir .. "/plugins/" .. id .. "/" .. dir .. "/state.ttl")
  if not ttl then return nil, "no state.ttl in plugins/" .. id .. "/" .. dir end
  local encoded = ttl:match(':StateString>%s*"([^"]*)"')
  if not encoded then return nil, "no StateString in the saved LV2 state" end
  local chunk = decode_state_string(encoded)
  if not chunk or #chunk < 9 then return nil, "undecodable StateString" end
  return chunk
end

-- Checks a chunk's first program: Gain 0.75, Treble 4/14 (written with 17 digits), Bass 0.5.
local function check_chunk(chunk, label)
  check(chunk:sub(1, 4) == "\x56\x43\x32\x21", label .. ": saved chunk has the wrong magic number")
  local program = chunk:match('<program ([^>]-)/>')
  if not check(program ~= nil, label .. ": no program in the saved chunk") then return end
  local function value(name) return tonumber(program:match(' ' .. name .. '="([^"]*)"')) end
  check(near(value("gain"), gain_set), label .. ": saved gain " .. tostring(value("gain")) .. ", expected 0.75")
  check(near(value("trbl"), treble_stored), label .. ": saved trbl " .. tostring(value("trbl")) .. ", expected 4/14")
  check(near(value("bas"), 0.5), label .. ": saved bas " .. tostring(value("bas")) .. ", expected 0.5")
end

------------------------------------------------------------------------------------------------
-- Phase 1: new session, load, inspect, set, save.
AudioEngine:set_backend("None (Dummy)", "", "")
if not check(create_session(session_dir, session_name, 48000) ~= nil, "cannot create a session in " .. session_dir) then
  os.exit(1)
end
check(AudioEngine:current_backend_name() == "Dummy", "backend is " .. AudioEngine:current_backend_name())

for _, f in ipairs(formats) do
  local before = failures
  local tracks = Session:new_audio_track(2, 2, nil, 1, track_name(f), ARDOUR.PresentationInfo.max_order,
                                         ARDOUR.TrackMode.Normal, true)
  local track = tracks:front()
  local proc = ARDOUR.LuaAPI.new_plugin(Session, f.id, f.type, "")
  if not check(not proc:isnil(), f.label .. ": Ardour does not find " .. f.id) then goto next_format end
  check(track:add_processor_by_index(proc, 0, nil, true) == 0, f.label .. ": cannot add the plug-in to a track")
  do
    local insert = proc:to_insert()
    local plugin = insert:plugin(0)
    check(plugin:name() == plugin_name, f.label .. ": name is '" .. plugin:name() .. "'")
    local info = plugin:get_info()
    check(info.n_inputs:n_audio() == 2 and info.n_outputs:n_audio() == 2,
          f.label .. ": " .. info.n_inputs:n_audio() .. " in / " .. info.n_outputs:n_audio() .. " out, expected 2/2")
    check(insert:input_streams():n_audio() == 2 and insert:output_streams():n_audio() == 2,
          f.label .. ": not configured 2 in / 2 out on a stereo track")

    if f.type == ARDOUR.PluginType.LV2 then
      local props = property_controls(proc)
      local count = 0
      for _ in pairs(props) do count = count + 1 end
      check(count == 10, f.label .. ": " .. count .. " parameters, expected 10")
      for _, id in ipairs(parameter_ids) do check(props[id] ~= nil, f.label .. ": no parameter " .. id) end
      if props.gain and props.treble then
        props.gain:set_value(gain_set, PBD.GroupControlDisposition.NoGroup)
        props.treble:set_value(treble_set, PBD.GroupControlDisposition.NoGroup)
      end
      print(string.format("ardour: %s: loaded '%s', 2 in / 2 out, %d parameters; Gain set to %.2f, Treble to %.2f",
                          f.label, plugin:name(), count, gain_set, treble_set))
    else
      local params, total = named_parameters(proc)
      local count = 0
      for i, name in ipairs(parameter_names) do
        if check(params[name] == i - 1, f.label .. ": parameter " .. (i - 1) .. " is not '" .. name .. "'") then
          count = count + 1
        end
      end
      -- The VST3 wrapper adds its host bypass switch after the ten.
      local extra = total - 10
      check(extra == 0 or (f.type == ARDOUR.PluginType.VST3 and extra == 1 and params["Bypass"] == 10),
            f.label .. ": " .. total .. " parameters, expected the ten")
      check(near(ARDOUR.LuaAPI.get_processor_param(proc, 2, true), 0.5), f.label .. ": Gain does not start at 0.5")
      ARDOUR.LuaAPI.set_processor_param(proc, 2, gain_set)
      ARDOUR.LuaAPI.set_processor_param(proc, 3, treble_set)
      print(string.format("ardour: %s: loaded '%s', 2 in / 2 out, %d named parameters of %d; Gain set to %.2f, Treble to %.2f",
                          f.label, plugin:name(), count, total, gain_set, treble_set))
    end
  end
  ::next_format::
  if failures > before then print("ardour: " .. f.label .. ": load checks failed") end
end

-- A sine into each plug-in, in front of it.
if want_sound then
  for _, f in ipairs(formats) do
    local route = Session:route_by_name(track_name(f))
    local gen = ARDOUR.LuaAPI.new_luaproc(Session, "SinGen")
    if check(not route:isnil() and not gen:isnil(), f.label .. ": no track or no SinGen generator") then
      check(route:add_processor_by_index(gen, 0, nil, true) == 0, f.label .. ": cannot add the sine generator")
      route:to_track():monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
    end
  end
end

-- Let the engine run so that queued parameter changes reach the plug-ins in their process calls.
ARDOUR.LuaAPI.usleep(1500000)

if want_sound then
  for _, f in ipairs(formats) do
    local route = Session:route_by_name(track_name(f))
    if not route:isnil() then
      local meter = route:peak_meter()
      local left = meter:meter_level(0, ARDOUR.MeterType.MeterPeak)
      local right = meter:meter_level(1, ARDOUR.MeterType.MeterPeak)
      -- The plug-in's output, after the -18 dBFS sine went through it.
      if check(left > -60 and right > -60, string.format("%s: silent output (peak %.1f / %.1f dBFS): model data not found?", f.label, left, right)) then
        check(math.abs(left + 18) > 0.5, string.format("%s: output is the bare sine (%.1f dBFS): the plug-in did nothing", f.label, left))
        print(string.format("ardour: %s: sound through the plug-in, peak %.1f / %.1f dBFS from a -18 dBFS sine", f.label, left, right))
      end
    end
  end
end
check(Session:save_state("", false, false, false, false, false) == 0, "saving the session failed")
do
  local chunk, why = saved_lv2_chunk(session_name)
  if check(chunk ~= nil, "LV2: " .. tostring(why)) then check_chunk(chunk, "LV2 (first save)") end
end
close_session()

------------------------------------------------------------------------------------------------
-- Phase 2: load the session again; the plug-ins must report what was saved.
AudioEngine:set_backend("None (Dummy)", "", "")
if not check(load_session(session_dir, session_name) ~= nil, "cannot load the saved session") then os.exit(1) end
ARDOUR.LuaAPI.usleep(1000000)
for _, f in ipairs(formats) do
  local before = failures
  local route = Session:route_by_name(track_name(f))
  if not check(not route:isnil(), f.label .. ": track missing after reload") then goto next_reloaded end
  do
    local proc = our_plugin(route)
    if not check(proc ~= nil, f.label .. ": plug-in missing after reload") then goto next_reloaded end
    if f.type ~= ARDOUR.PluginType.LV2 then
      local gain = ARDOUR.LuaAPI.get_processor_param(proc, 2, true)
      local treble = ARDOUR.LuaAPI.get_processor_param(proc, 3, true)
      local bass = ARDOUR.LuaAPI.get_processor_param(proc, 5, true)
      check(near(gain, gain_set), f.label .. ": Gain after reload is " .. tostring(gain))
      check(near(treble, treble_stored), f.label .. ": Treble after reload is " .. tostring(treble) .. ", expected 4/14")
      check(near(bass, 0.5), f.label .. ": Bass after reload is " .. tostring(bass))
      print(string.format("ardour: %s: reloaded, Gain %.4f, Treble %.4f (step 4 of 14), Bass %.4f", f.label, gain, treble, bass))
    end
  end
  ::next_reloaded::
  if failures > before then print("ardour: " .. f.label .. ": reload checks failed") end
end
-- The LV2 build's restored state, as it hands it over again.
check(Session:save_state("reloaded", false, false, false, false, false) == 0, "saving the reloaded session failed")
do
  local chunk, why = saved_lv2_chunk("reloaded")
  if check(chunk ~= nil, "LV2 after reload: " .. tostring(why)) then
    local before = failures
    check_chunk(chunk, "LV2 after reload")
    if failures == before then
      print("ardour: LV2: reloaded, the plug-in's state again holds Gain 0.75, Treble 4/14, Bass 0.5")
    end
  end
end
close_session()

if failures > 0 then
  print("ardour: " .. failures .. " check(s) failed")
  os.exit(1)
end
print("ardour: VST2, VST3 and LV2 builds loaded, inspected, saved and restored")
