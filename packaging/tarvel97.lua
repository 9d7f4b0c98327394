-- Wireshark dissector of Tarvel format 97, the packet protocol of the Valdrix I/O module,
-- for the captures valdrix-cli (--capture, sniff) and the Valdrix Tester's log window write.
--
-- A capture record is one frame of link type DLT_USER0 (Wireshark's USER0):
--   offset 0  header length H (5 + length of the link name)
--   offset 1  direction: 0 not known (a passive listener), 1 sent by the program, 2 received
--   offset 2  kind: 0 a packet, 1 bytes that formed no packet
--   offset 3  link number, 16 bits, high byte first
--   offset 5  link name, H - 5 bytes of UTF-8
--   offset H  the bytes
--
-- A packet: "*a", NUM (16 bits: the bytes after it), ADR, SIG, INST (an instruction in a
-- request, an acknowledge code in an answer), data, SUM (0xFF minus the byte sum of all
-- bytes before it), CR. Multi-byte numbers are big-endian. Requests and answers are paired
-- by ADR and SIG (a request to 0xFE is answered from any address); with the direction not
-- known, a packet is an answer when a request with its ADR and SIG waits and its code is
-- an acknowledge code (below 0x0C).
--
-- Installed by the valdrix-tester package into Wireshark's global Lua plugin folder; for
-- another Wireshark, copy it to the personal one ("Help > About > Folders").

-- Registered once: a copy named with "-X lua_script:" beside the installed one stays unused.
if tarvel97_registered then return end
tarvel97_registered = true

local tarvel97 = Proto("tarvel97", "Tarvel format 97")

local WILDCARD = 0xFE

local instructions = {
    [0xE0] = "WriteAddressAndBaudRate", [0xE1] = "WriteE1Byte", [0xE2] = "WriteE2Text", [0xE3] = "InstE3",
    [0xE4] = "EnableConfiguration", [0xEB] = "ChangeAddressByNumbers", [0xEE] = "SwitchEE",
    [0xF0] = "ReadAddressAndBaudRate", [0xF1] = "ReadF1Byte", [0xF2] = "ReadF2", [0xF3] = "ReadIdentification",
    [0xFA] = "ReadFANumbers", [0xFE] = "ReadFEFlag",
    [0x12] = "SetInputCoefficient", [0x13] = "GetInputCoefficient", [0x1A] = "SetInputRanges",
    [0x1B] = "GetInputRanges", [0x1C] = "SetInputDivisions", [0x1D] = "GetInputDivisions",
    [0x20] = "SetOutputs", [0x23] = "SetOutputTimed", [0x30] = "GetOutputs", [0x31] = "GetInputs",
    [0x40] = "SetAnalogOutputsRaw", [0x41] = "GetAnalogOutputsRaw", [0x42] = "SetAnalogOutputs",
    [0x43] = "GetAnalogOutputs", [0x44] = "SetAnalogOutputWords", [0x45] = "GetAnalogOutputWords",
    [0x4E] = "StoreOutputCalibrationPoint", [0x4F] = "GetOutputCalibrations", [0x51] = "GetAnalogInputs",
    [0x59] = "GetTemperatures", [0x5A] = "GetThermometerIds", [0x5B] = "SetThermometerPair",
    [0x5C] = "GetThermometerPairs", [0x5F] = "GetAnalogInputsRaw", [0x60] = "GetCounters",
    [0x64] = "SetCounters", [0x6A] = "SetChannelFlags", [0x74] = "SetClock", [0x75] = "GetClock",
}
local directions = { [0] = "not known", [1] = "sent by the program", [2] = "received by the program" }
local kinds = { [0] = "packet", [1] = "bytes that formed no packet" }
local ranges = { [0] = "0-10 V", [1] = "0-20 mA", [6] = "4-20 mA" }
local roles = { [0] = "request", [1] = "answer", [2] = "message" }

local f = {
    link = ProtoField.uint16("tarvel97.link", "Link"),
    link_name = ProtoField.string("tarvel97.link_name", "Link name"),
    direction = ProtoField.uint8("tarvel97.direction", "Direction", base.DEC, directions),
    kind = ProtoField.uint8("tarvel97.kind", "Record", base.DEC, kinds),
    unframed = ProtoField.bytes("tarvel97.unframed", "Bytes that formed no packet", base.SPACE),
    role = ProtoField.uint8("tarvel97.role", "Role", base.DEC, roles),
    marker = ProtoField.string("tarvel97.marker", "Marker"),
    length = ProtoField.uint16("tarvel97.length", "Length (NUM)"),
    addr = ProtoField.uint8("tarvel97.addr", "Address (ADR)", base.HEX),
    sig = ProtoField.uint8("tarvel97.sig", "Signature (SIG)", base.HEX),
    inst = ProtoField.uint8("tarvel97.inst", "Instruction", base.HEX, instructions),
    ack = ProtoField.uint8("tarvel97.ack", "Acknowledge code", base.DEC),
    message = ProtoField.uint8("tarvel97.message", "Message code", base.HEX),
    answer_to = ProtoField.uint8("tarvel97.answer_to", "Answer to", base.HEX, instructions),
    data = ProtoField.bytes("tarvel97.data", "Data", base.SPACE),
    checksum = ProtoField.uint8("tarvel97.checksum", "Checksum (SUM)", base.HEX),
    checksum_ok = ProtoField.bool("tarvel97.checksum.ok", "Checksum correct"),
    term = ProtoField.uint8("tarvel97.end", "End", base.HEX),
    response_in = ProtoField.framenum("tarvel97.response_in", "Response in", base.NONE, frametype.RESPONSE),
    request_in = ProtoField.framenum("tarvel97.request_in", "Request in", base.NONE, frametype.REQUEST),
    time = ProtoField.relative_time("tarvel97.time", "Response time"),
    reading = ProtoField.string("tarvel97.reading", "Reading"),
    -- The data of the Valdrix instructions.
    inputs = ProtoField.uint16("tarvel97.inputs", "Digital inputs", base.HEX),
    outputs = ProtoField.uint16("tarvel97.outputs", "Digital outputs", base.HEX),
    output = ProtoField.uint8("tarvel97.output", "Output", base.DEC, nil, 0x7F),
    output_on = ProtoField.bool("tarvel97.output.on", "On", 8, nil, 0x80),
    duration = ProtoField.uint8("tarvel97.duration", "Duration"),
    counter_width = ProtoField.uint8("tarvel97.counter.width", "Counter width (bits)"),
    counter = ProtoField.uint32("tarvel97.counter", "Counter"),
    channel = ProtoField.uint8("tarvel97.channel", "Channel"),
    status = ProtoField.uint8("tarvel97.status", "Status", base.HEX),
    valid = ProtoField.bool("tarvel97.valid", "Valid", 8, nil, 0x80),
    temperature = ProtoField.double("tarvel97.temperature", "Temperature (°C)"),
    analog = ProtoField.uint16("tarvel97.analog", "Analog value"),
    analog_output = ProtoField.int16("tarvel97.analog_output", "Analog output value"),
    range = ProtoField.uint8("tarvel97.range", "Input range", base.DEC, ranges),
    value16 = ProtoField.uint16("tarvel97.value", "Value"),
    calibration_low = ProtoField.uint16("tarvel97.calibration.low", "Low"),
    calibration_high = ProtoField.uint16("tarvel97.calibration.high", "High"),
    thermometer_id = ProtoField.string("tarvel97.thermometer_id", "Thermometer identity"),
    clock = ProtoField.absolute_time("tarvel97.clock", "Clock", base.UTC),
    text = ProtoField.string("tarvel97.text", "Text"),
}
local input_bits, output_bits = {}, {}
for i = 1, 16 do
    input_bits[i] = ProtoField.bool("tarvel97.input." .. i, "Input " .. i, 16, nil, 2 ^ (i - 1))
    f["input" .. i] = input_bits[i]
end
for i = 1, 10 do
    output_bits[i] = ProtoField.bool("tarvel97.output." .. i, "Output " .. i, 16, nil, 2 ^ (i - 1))
    f["output" .. i] = output_bits[i]
end
tarvel97.fields = f

local e_checksum = ProtoExpert.new("tarvel97.checksum.bad", "Bad checksum", expert.group.CHECKSUM, expert.severity.WARN)
local e_malformed = ProtoExpert.new("tarvel97.malformed", "Malformed packet", expert.group.MALFORMED, expert.severity.ERROR)
local e_unframed = ProtoExpert.new("tarvel97.unframed.note", "Bytes that formed no packet", expert.group.SEQUENCE,
    expert.severity.NOTE)
local e_unanswered = ProtoExpert.new("tarvel97.unpaired", "Answer without its request", expert.group.SEQUENCE,
    expert.severity.NOTE)
local e_refused = ProtoExpert.new("tarvel97.refused", "Request refused", expert.group.RESPONSE_CODE, expert.severity.WARN)
tarvel97.experts = { e_checksum, e_malformed, e_unframed, e_unanswered, e_refused }

-- Pairing, made on the first pass: per frame its role, its request or answer and the
-- request's instruction; waiting requests by (ADR, SIG).
local frames, waiting = {}, {}

function tarvel97.init()
    frames, waiting = {}, {}
end

local function key(adr, sig) return adr * 256 + sig end

local function pair(number, direction, adr, sig, code, time)
    local ack = code < 0x0C
    if direction ~= 1 and not ack and code <= 0x0F then return { role = 2 } end
    if direction == 2 or (direction == 0 and ack) then
        for _, a in ipairs({ adr, WILDCARD }) do
            local request = waiting[key(a, sig)]
            if request then
                waiting[key(a, sig)] = nil
                frames[request.number].answer = number
                return { role = 1, request = request.number, inst = request.inst, delta = time - request.time }
            end
        end
        if direction == 2 then return { role = 1 } end
    end
    waiting[key(adr, sig)] = { number = number, inst = code, time = time }
    return { role = 0, inst = code }
end

local function hex8(v) return string.format("0x%02X", v) end
local function bits_text(value, count)
    local s = ""
    for i = 1, count do s = s .. (bit.band(value, 2 ^ (i - 1)) ~= 0 and "1" or "0") end
    return s
end

-- Bit channel c is bit (c-1) mod 8 of the byte L-1-(c-1)/8: the last byte holds channels 1..8.
local function bit_word(data) return data:range(1, 1):uint() + data:range(0, 1):uint() * 256 end

local function add_bits(tree, data, field, bits, count, label)
    if data:len() ~= 2 then return nil end
    local word = bit_word(data)
    local sub = tree:add(field, data, word)
    for i = 1, count do sub:add(bits[i], data, word) end
    return label .. " " .. bits_text(word, count)
end

-- Records of `size` bytes, each read by `add`; nil when the data is no whole number of them.
-- A channel record starts with its channel byte.
local function add_records(tree, data, size, add, unchannelled)
    if data:len() == 0 or data:len() % size ~= 0 then return nil end
    local parts = {}
    for at = 0, data:len() - size, size do
        local record = data:range(at, size)
        local channel = record:range(0, 1):uint()
        if not unchannelled and (channel < 1 or channel > 4) then return nil end
        if unchannelled then
            parts[#parts + 1] = add(tree, record)
        else
            local sub = tree:add(tarvel97, record, "Channel " .. record:range(0, 1):uint())
            sub:add(f.channel, record:range(0, 1))
            parts[#parts + 1] = record:range(0, 1):uint() .. ": " .. add(sub, record)
        end
    end
    return table.concat(parts, "  ")
end

local function status_text(sub, status_range)
    sub:add(f.status, status_range)
    sub:add(f.valid, status_range)
    local status = status_range:uint()
    if bit.band(status, 0x80) ~= 0 then return "" end
    return " invalid (status " .. hex8(status) .. ")"
end

local function temperature(sub, record)
    local value = record:range(2, 2):int() / 10
    sub:add(f.temperature, record:range(2, 2), value)
    return string.format("%.1f °C", value) .. status_text(sub, record:range(1, 1))
end

local function analog(sub, record)
    sub:add(f.analog, record:range(2, 2))
    return record:range(2, 2):uint() .. status_text(sub, record:range(1, 1))
end

local function output_value(sub, record)
    sub:add(f.analog_output, record:range(1, 2))
    return tostring(record:range(1, 2):int())
end

local function clock(tree, data)
    if data:len() ~= 4 then return nil end
    local seconds = data:uint()
    tree:add(f.clock, data, NSTime.new(seconds, 0))
    return os.date("!%Y-%m-%d %H:%M:%S", seconds)
end

local function text(tree, data)
    tree:add(f.text, data)
    return '"' .. data:string() .. '"'
end

local function switch(sub, record)
    sub:add(f.output, record)
    sub:add(f.output_on, record)
    local byte = record:uint()
    return "output " .. bit.band(byte, 0x7F) .. (bit.band(byte, 0x80) ~= 0 and " on" or " off")
end

local function counters(tree, data)
    local width = data:range(0, 1):uint()
    local bytes = width / 8
    if width ~= 8 and width ~= 16 and width ~= 24 and width ~= 32 then return nil end
    local count = (data:len() - 1) / bytes
    if count ~= 1 and count ~= 16 then return nil end
    tree:add(f.counter_width, data:range(0, 1))
    local values = {}
    for i = 1, count do
        local range = data:range(1 + (i - 1) * bytes, bytes)
        tree:add(f.counter, range, range:uint()):prepend_text("Counter " .. (count == 1 and "" or i .. " "))
        values[i] = tostring(range:uint())
    end
    return (count == 1 and "counter " or "counters ") .. table.concat(values, " ")
end

-- Requests whose one data byte is the channel to read.
local channel_reads = { [0x13] = true, [0x1D] = true, [0x59] = true, [0x5A] = true, [0x5C] = true, [0x41] = true,
    [0x43] = true, [0x45] = true, [0x4F] = true }
local bauds = { [0] = 110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400 }

local function address_and_baud(data)
    return "address " .. hex8(data:range(0, 1):uint()) .. ", " .. (bauds[data:range(1, 1):uint()] or 0) .. " Bd"
end

-- The data of a request; returns its short reading or nil.
local function request_data(tree, inst, data)
    local n = data:len()
    if inst == 0x20 then
        return add_records(tree, data, 1, switch, true)
    elseif inst == 0x23 and n == 2 then
        tree:add(f.duration, data:range(0, 1))
        return switch(tree, data:range(1, 1)) .. " for " .. data:range(0, 1):uint()
    elseif inst == 0x60 and n == 1 then
        local channel = bit.band(data:uint(), 0x7F)
        tree:add(f.channel, data, channel)
        return (channel == 0 and "all counters" or "counter " .. channel) ..
            (bit.band(data:uint(), 0x80) ~= 0 and " (option)" or "")
    elseif inst == 0x74 then
        return clock(tree, data)
    elseif (inst == 0x42 or inst == 0x40 or inst == 0x44) then
        return add_records(tree, data, 3, output_value)
    elseif inst == 0x1A then
        return add_records(tree, data, 2, function(sub, record)
            sub:add(f.range, record:range(1, 1))
            return ranges[record:range(1, 1):uint()] or ("code " .. record:range(1, 1):uint())
        end)
    elseif (inst == 0x12 or inst == 0x1C) and n == 3 then
        tree:add(f.channel, data:range(0, 1))
        tree:add(f.value16, data:range(1, 2))
        return "channel " .. data:range(0, 1):uint() .. " = " .. data:range(1, 2):uint()
    elseif inst == 0xE2 and n > 0 then
        return text(tree, data)
    elseif channel_reads[inst] and n == 1 then
        tree:add(f.channel, data)
        return "channel " .. data:uint()
    elseif inst == 0x5B and n == 3 then
        tree:add(f.channel, data:range(0, 1))
        return "channel " .. data:range(0, 1):uint() .. " pair " .. data:range(1, 1):uint() .. "," ..
            data:range(2, 1):uint()
    elseif inst == 0x4E and n == 2 and data:range(1, 1):uint() <= 1 then
        tree:add(f.channel, data:range(0, 1))
        return "channel " .. data:range(0, 1):uint() .. (data:range(1, 1):uint() == 0 and " low point" or " high point")
    elseif inst == 0x6A and n == 1 then
        local byte = data:uint()
        tree:add(f.channel, data, bit.band(byte, 0x3F))
        return "channel " .. bit.band(byte, 0x3F) .. " flags A=" .. bit.band(bit.rshift(byte, 7), 1) .. " B=" ..
            bit.band(bit.rshift(byte, 6), 1)
    elseif inst == 0x64 and n == 5 and data:range(0, 1):uint() ~= 0 then
        tree:add(f.channel, data:range(0, 1))
        tree:add(f.counter, data:range(1, 4))
        return "counter " .. data:range(0, 1):uint() .. " = " .. data:range(1, 4):uint()
    elseif inst == 0x64 and n % 4 == 1 and data:range(0, 1):uint() == 0 then
        local values = {}
        for at = 1, n - 4, 4 do
            tree:add(f.counter, data:range(at, 4))
            values[#values + 1] = " " .. data:range(at, 4):uint()
        end
        return "counters" .. table.concat(values)
    elseif inst == 0xE0 and n >= 2 then
        return address_and_baud(data)
    elseif inst == 0xE1 and n == 1 then
        return hex8(data:uint())
    elseif inst == 0xEB and n == 5 then
        return "address " .. hex8(data:range(0, 1):uint()) .. ", numbers " .. data:range(1, 2):uint() .. " " ..
            data:range(3, 2):uint()
    elseif inst == 0xEE and n == 1 then
        return data:uint() ~= 0 and "on" or "off"
    end
    return nil
end

-- The data of an answer with acknowledge code 0 to a request with instruction inst.
local function answer_data(tree, inst, data)
    local n = data:len()
    if inst == 0x31 then
        return add_bits(tree, data, f.inputs, input_bits, 16, "inputs")
    elseif inst == 0x30 then
        return add_bits(tree, data, f.outputs, output_bits, 10, "outputs")
    elseif inst == 0x60 and n > 0 then
        return counters(tree, data)
    elseif inst == 0x59 then
        return add_records(tree, data, 4, temperature)
    elseif inst == 0x51 or inst == 0x5F then
        return add_records(tree, data, 4, analog)
    elseif inst == 0x41 or inst == 0x43 or inst == 0x45 then
        return add_records(tree, data, 3, output_value)
    elseif inst == 0x1B and n == 8 then
        return request_data(tree, 0x1A, data)
    elseif (inst == 0x13 or inst == 0x1D) and n == 2 then
        tree:add(f.value16, data)
        return tostring(data:uint())
    elseif inst == 0x4F then
        return add_records(tree, data, 5, function(sub, record)
            sub:add(f.calibration_low, record:range(1, 2))
            sub:add(f.calibration_high, record:range(3, 2))
            return "low " .. record:range(1, 2):uint() .. " high " .. record:range(3, 2):uint()
        end)
    elseif inst == 0x5A then
        return add_records(tree, data, 10, function(sub, record)
            sub:add(f.thermometer_id, record:range(2, 8))
            return '"' .. record:range(2, 8):string() .. '"' .. " status " .. hex8(record:range(1, 1):uint())
        end)
    elseif inst == 0x75 then
        return clock(tree, data)
    elseif (inst == 0xF3 or inst == 0xF2) and n > 0 then
        return text(tree, data)
    elseif inst == 0x5C then
        return add_records(tree, data, 3, function(_, record)
            return record:range(1, 1):uint() .. "," .. record:range(2, 1):uint()
        end)
    elseif inst == 0xF0 and n >= 2 then
        return address_and_baud(data)
    elseif inst == 0xF1 and n >= 1 then
        return hex8(data:range(0, 1):uint())
    elseif inst == 0xFA and n >= 8 then
        return data:range(0, 2):uint() .. " " .. data:range(2, 2):uint() .. " " .. data:range(4, 4):uint()
    elseif inst == 0xFE and n >= 1 then
        return data:range(0, 1):uint() ~= 0 and "on" or "off"
    end
    return nil
end

local function checksum(tvb, last)
    local sum = 0
    for i = 0, last do sum = sum + tvb:range(i, 1):uint() end
    return 0xFF - (sum % 256)
end

local function dissect_packet(tvb, pinfo, tree, direction, time)
    local n = tvb:len()
    tree:add(f.marker, tvb:range(0, 2))
    local num = tvb:range(2, 2):uint()
    local length_item = tree:add(f.length, tvb:range(2, 2))
    if num + 4 ~= n or n < 9 then
        length_item:add_proto_expert_info(e_malformed, "NUM does not fit the packet's length")
        pinfo.cols.info:set("Malformed format 97 packet")
        return
    end
    local adr, sig, code = tvb:range(4, 1):uint(), tvb:range(5, 1):uint(), tvb:range(6, 1):uint()
    tree:add(f.addr, tvb:range(4, 1))
    tree:add(f.sig, tvb:range(5, 1))
    if not pinfo.visited then frames[pinfo.number] = pair(pinfo.number, direction, adr, sig, code, time) end
    local info = frames[pinfo.number] or { role = direction == 2 and 1 or 0, inst = code }
    tree:add(f.role, info.role):set_generated()
    -- The program is the master of the line; a passive listener tells them apart by pairing.
    pinfo.cols.src:set(info.role == 0 and "master" or "module")
    pinfo.cols.dst:set(info.role == 0 and "module" or "master")
    local data = tvb:range(7, n - 9)
    local name, reading
    if info.role == 0 then
        tree:add(f.inst, tvb:range(6, 1))
        name = instructions[code] or hex8(code)
        if info.answer then tree:add(f.response_in, info.answer):set_generated() end
    elseif info.role == 1 then
        local ack_item = tree:add(f.ack, tvb:range(6, 1))
        if code ~= 0 then ack_item:add_proto_expert_info(e_refused) end
        if info.request then
            tree:add(f.answer_to, info.inst):set_generated()
            tree:add(f.request_in, info.request):set_generated()
            local seconds = math.floor(info.delta)
            tree:add(f.time, NSTime.new(seconds, math.floor((info.delta - seconds) * 1e9 + 0.5))):set_generated()
            name = (instructions[info.inst] or hex8(info.inst)) .. " answer"
        else
            tree:add_proto_expert_info(e_unanswered)
            name = "answer"
        end
        if code ~= 0 then name = name .. " refused (ack " .. code .. ")" end
    else
        tree:add(f.message, tvb:range(6, 1))
        name = "message " .. hex8(code)
    end
    if n > 9 then
        local data_tree = tree:add(f.data, data)
        if info.role == 0 then
            reading = request_data(data_tree, code, data)
        elseif info.role == 1 and code == 0 and info.inst then
            reading = answer_data(data_tree, info.inst, data)
        end
        if reading then tree:add(f.reading, reading):set_generated() end
    end
    local sum_item = tree:add(f.checksum, tvb:range(n - 2, 1))
    local good = checksum(tvb, n - 3) == tvb:range(n - 2, 1):uint()
    tree:add(f.checksum_ok, good):set_generated()
    if not good then
        sum_item:add_proto_expert_info(e_checksum, "Bad checksum: should be " .. hex8(checksum(tvb, n - 3)))
    end
    local term = tree:add(f.term, tvb:range(n - 1, 1))
    if tvb:range(n - 1, 1):uint() ~= 0x0D then term:add_proto_expert_info(e_malformed, "The last byte is not CR") end
    pinfo.cols.info:set(string.format("%s ADR=%s SIG=%s%s%s", name, hex8(adr), hex8(sig),
        reading and (": " .. reading) or "", good and "" or " [bad checksum]"))
end

function tarvel97.dissector(tvb, pinfo, tree)
    if tvb:len() < 5 then return 0 end
    local header = tvb:range(0, 1):uint()
    if header < 5 or header > tvb:len() then return 0 end
    pinfo.cols.protocol:set("Tarvel97")
    local root = tree:add(tarvel97, tvb())
    local direction = tvb:range(1, 1):uint()
    local kind = tvb:range(2, 1):uint()
    local link = root:add(f.link, tvb:range(3, 2))
    if header > 5 then link:add(f.link_name, tvb:range(5, header - 5)) end
    root:add(f.direction, tvb:range(1, 1))
    root:add(f.kind, tvb:range(2, 1))
    if tvb:len() == header then return tvb:len() end
    local bytes = tvb:range(header):tvb()
    if kind ~= 0 or bytes:len() < 4 or bytes:range(0, 2):string() ~= "*a" then
        root:add(f.unframed, bytes()):add_proto_expert_info(e_unframed)
        pinfo.cols.info:set("Bytes that formed no packet (" .. bytes:len() .. ")")
        return tvb:len()
    end
    -- Relative to the first frame: a smaller number keeps the microseconds exact.
    local time = pinfo.rel_ts
    dissect_packet(bytes, pinfo, root, direction, time)
    return tvb:len()
end

DissectorTable.get("wtap_encap"):add(wtap_encaps.USER0, tarvel97)
