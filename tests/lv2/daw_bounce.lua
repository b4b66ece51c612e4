-- Run by ardour7-lua from check_in_daw.py, in two steps:
--
--   ardour7-lua daw_bounce.lua create SESSION
--       a new empty 48 kHz session in the folder SESSION (named after the folder)
--   ardour7-lua daw_bounce.lua bounce SESSION FRAMES OUT.wav [CHANGE_FRAME]
--       the session's region "in" on a stereo track through the LV2 plug-in, bounced to OUT.wav
--       (32-bit float); with CHANGE_FRAME, "Feed" is automated from 6.2 dB to 15 dB there
--
-- Each step prints a last line ("created", "bounced") once its work is done. The plug-in is found
-- on LV2_PATH.

local mode, dir = arg[1], arg[2]
local name = dir:match("([^/]+)/*$")
local rate = 48000
-- The float WAV export preset that check_in_daw.py writes into the configuration folder.
local float_preset = "6a1d3c52-2f0e-4b8e-9a57-0c7e5a4f1b21"

local function check(ok, message)
	if not ok then
		error(message, 2)
	end
end

AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:set_sample_rate(rate)
AudioEngine:set_buffer_size(512)
check(AudioEngine:start(false) == 0, "the dummy audio engine did not start")

if mode == "create" then
	create_session(dir, name, rate)
	Session:save_state("", false, false, false, false, false)
	print("created")
	io.stdout:flush()
	return
end

local frames, out, change = tonumber(arg[3]), arg[4], tonumber(arg[5])
check(load_session(dir, name), "the session did not load")
print("block", Session:get_block_size())
-- Region and transport fades would change the first and last samples: the bounce is to carry the
-- plug-in's output unchanged.
Session:cfg():set_use_region_fades(false)
Session:cfg():set_use_transport_fades(false)

local imported = ARDOUR.RegionFactory.region_by_id(PBD.ID("900003")) -- as check_in_daw.py names it
check(not imported:isnil() and imported:length():samples() == frames, "the imported region is missing or short")
local track = Session:new_audio_track(2, 2, nil, 1, "Crossfeed", ARDOUR.PresentationInfo.max_order,
	ARDOUR.TrackMode.Normal, true):front()
local region = ARDOUR.RegionFactory.clone_region(imported, false, false)
region:to_audioregion():set_fade_in_active(false)
region:to_audioregion():set_fade_out_active(false)
track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)

local uri = "https://orvalen.example.org/plugins/tovrel"
local plugin = ARDOUR.LuaAPI.new_plugin(Session, uri, ARDOUR.PluginType.LV2, "")
check(not plugin:isnil(), "no LV2 plug-in " .. uri .. " on LV2_PATH")
check(track:add_processor_by_index(plugin, 0, nil, true) == 0, "the track did not take the plug-in")
print("feed", ARDOUR.LuaAPI.get_processor_param(plugin, 0), "fcut", (ARDOUR.LuaAPI.get_processor_param(plugin, 1)))

if change then
	-- "Feed" (the plug-in's first control, port 4) steps from 6.2 to 15 dB at the change frame;
	-- the automation plays back as the session rolls.
	local list = ARDOUR.LuaAPI.plugin_automation(plugin, 0)
	list:set_interpolation(Evoral.InterpolationStyle.Discrete)
	list:add(Temporal.timepos_t(0), 6.2, false, false)
	list:add(Temporal.timepos_t(change), 15.0, false, false)
	local feed = plugin:to_insert():to_automatable():automation_control(
		Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, 4), false)
	check(not feed:isnil(), "no automation control for the feed port")
	feed:set_automation_state(ARDOUR.AutoState.Play)
end

local export = Session:simple_export()
check(export:set_preset(float_preset), "no float WAV export preset")
export:set_folder(out:match("^(.*)/"))
export:set_name(out:match("([^/]+)%.wav$"))
export:set_range(0, frames)
check(export:check_outputs() and export:run_export(), "the export failed")
print("bounced")
io.stdout:flush()
