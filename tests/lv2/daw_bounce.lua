-- Run by ardour7-lua from check_in_daw.py: a session with one stereo track playing the test
-- signal through the LV2 plug-in, bounced twice to float WAV files: once as inserted, once with
-- "Feed" automated from 6.2 dB to 15 dB at a given frame.
--
--   ardour7-lua daw_bounce.lua WORK FRAMES CHANGE_FRAME
--
-- WORK holds in%L.wav and in%R.wav (the signal's two channels, FRAMES long at 48 kHz) and
-- receives the session check/ and the bounces plain.wav and automated.wav. The plug-in is found on LV2_PATH.

local work, frames, change = arg[1], tonumber(arg[2]), tonumber(arg[3])
local uri = "https://orvalen.example.org/plugins/tovrel"
local rate = 48000
-- A float WAV export preset (over the DAW's own float format) that check_in_daw.py writes into
-- the temporary configuration folder.
local float_preset = "6a1d3c52-2f0e-4b8e-9a57-0c7e5a4f1b21"

local function check(ok, message)
	if not ok then
		error(message, 2)
	end
end

local function copy(from, to)
	local input = assert(io.open(from, "rb"))
	local output = assert(io.open(to, "wb"))
	output:write(input:read("a"))
	input:close()
	output:close()
end

AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:set_sample_rate(rate)
AudioEngine:set_buffer_size(512)
check(AudioEngine:start(false) == 0, "the dummy audio engine did not start")

-- The headless interpreter has no importer: the two channels go into the session's audio folder
-- as its own import leaves them, named in its session file as two sources and one whole-file
-- region, as an import adds them.
local dir = work .. "/check" -- its audio folder takes the folder's name
create_session(dir, "check", rate)
Session:save_state("", false, false, false, false, false)
close_session()
for _, side in ipairs({"L", "R"}) do
	copy(work .. "/in%" .. side .. ".wav", dir .. "/interchange/check/audiofiles/in%" .. side .. ".wav")
end
local file = assert(io.open(dir .. "/check.ardour"))
local state = file:read("a")
file:close()
local sources = '<Sources>\n'
	.. '<Source name="in%%L.wav" type="audio" flags="" id="900001" channel="0" origin="in.wav" gain="1"/>\n'
	.. '<Source name="in%%R.wav" type="audio" flags="" id="900002" channel="0" origin="in.wav" gain="1"/>\n'
	.. '</Sources>'
local regions = string.format('<Regions>\n<Region name="in" whole-file="1" import="1" start="a0" '
	.. 'length="a%d@a0" position="a0" id="900003" type="audio" source-0="900001" source-1="900002" '
	.. 'master-source-0="900001" master-source-1="900002" channels="2"/>\n</Regions>',
	frames * (282240000 // rate)) -- positions count superclock ticks, 282240000 a second
local replaced_sources, replaced_regions
state, replaced_sources = state:gsub("<Sources/>", sources, 1)
state, replaced_regions = state:gsub("<Regions/>", regions, 1)
check(replaced_sources == 1 and replaced_regions == 1, "the new session file has no empty source or region list")
file = assert(io.open(dir .. "/check.ardour", "w"))
file:write(state)
file:close()

check(load_session(dir, "check"), "the session did not load")
print("block", Session:get_block_size())
-- Region and transport fades would change the first and last samples: the bounce is to carry the
-- plug-in's output unchanged.
Session:cfg():set_use_region_fades(false)
Session:cfg():set_use_transport_fades(false)

local whole = ARDOUR.RegionFactory.region_by_id(PBD.ID("900003"))
check(not whole:isnil() and whole:length():samples() == frames, "the imported region is missing or short")
local track = Session:new_audio_track(2, 2, nil, 1, "Crossfeed", ARDOUR.PresentationInfo.max_order,
	ARDOUR.TrackMode.Normal, true):front()
local region = ARDOUR.RegionFactory.clone_region(whole, false, false)
region:to_audioregion():set_fade_in_active(false)
region:to_audioregion():set_fade_out_active(false)
track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)

local plugin = ARDOUR.LuaAPI.new_plugin(Session, uri, ARDOUR.PluginType.LV2, "")
check(not plugin:isnil(), "no LV2 plug-in " .. uri .. " on LV2_PATH")
check(track:add_processor_by_index(plugin, 0, nil, true) == 0, "the track did not take the plug-in")
print("feed", ARDOUR.LuaAPI.get_processor_param(plugin, 0), "fcut", ARDOUR.LuaAPI.get_processor_param(plugin, 1))

local function bounce(name)
	local export = Session:simple_export()
	check(export:set_preset(float_preset), "no float WAV export preset")
	export:set_folder(work)
	export:set_name(name)
	export:set_range(0, frames)
	check(export:check_outputs() and export:run_export(), "the export of " .. name .. " failed")
end

bounce("plain")

-- "Feed" (the plug-in's first control) steps from 6.2 to 15 dB at the change frame; the
-- automation plays back as the session rolls.
local list = ARDOUR.LuaAPI.plugin_automation(plugin, 0)
list:set_interpolation(Evoral.InterpolationStyle.Discrete)
list:add(Temporal.timepos_t(0), 6.2, false, false)
list:add(Temporal.timepos_t(change), 15.0, false, false)
local feed = plugin:to_insert():to_automatable():automation_control(
	Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, 4), false) -- port 4 is "feed"
check(not feed:isnil(), "no automation control for the feed port")
feed:set_automation_state(ARDOUR.AutoState.Play)
bounce("automated")

close_session()
