-- Many connections served at once while the script keeps using the module,
-- then the script ends with workers still serving, so the host unloads the
-- module under them (the host checks afterwards that it is really gone).
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "common.lua")

local CLIENTS, MESSAGES = 29, 400

local function expected_stream(client)
  local lines = {}
  for seq = 1, MESSAGES do lines[seq] = client .. ":" .. seq .. "\n" end
  return table.concat(lines)
end

for round = 1, 2 do
  group("29 clients on one listening slot, round " .. round, function()
    local pieces, ended = {}, {}
    function OnLoadData(h, event, text)
      if event == 1 then
        local list = pieces[h]
        list[#list + 1] = text
        return true
      end
      -- Statements without calls are not interleaved with other callbacks:
      -- the record is made first, then stored in one step.
      local record = { err = tGetError(h), text = table.concat(pieces[h]) }
      ended[#ended + 1] = record
      return true
    end
    function OnLoadListen(_, event, _, extra)
      if event ~= 2 then return true end
      pieces[extra] = {}
      -- The greeting tells the client it was accepted.
      return tSend(extra, "hi\n") == 3 and tSetCallback(extra, "OnLoadData") == 1
    end
    local port = PORTS["tcp" .. round]
    local l = tCreate(0, port)
    expect(tSetCallback(l, "OnLoadListen"), 1, "serve")
    expect(tListen(l), 1, "listen")
    -- The control connection must go: the clients need every other slot.
    tClose(command(string.format("CLIENTS %d %d %d", port, CLIENTS, MESSAGES)))

    local calls, deadline = 0, os.time() + 120
    while #ended < CLIENTS and os.time() < deadline do
      local count = tGetCount()
      check(count >= 1 and count <= 30, "tGetCount in range")
      check(tGetError(l) == 0, "nothing recorded on the listening slot")
      tWait(l, 1)
      check(tSetCallback(l, "OnLoadListen") == 0, "the listening slot stays served")
      calls = calls + 4
    end
    check(calls > 0, "the script kept calling")
    expect(#ended, CLIENTS, "every connection ended")
    local complete = {}
    for _, record in ipairs(ended) do
      expect(record.err, 1, "ended by the peer's close")
      local client = tonumber(record.text:match("^(%d+):"))
      if client and record.text == expected_stream(client) then
        complete[client] = true
      else
        check(false, "a stream arrived changed: " .. #record.text .. " bytes, starting "
              .. record.text:sub(1, 20))
      end
    end
    local count = 0
    for _ in pairs(complete) do count = count + 1 end
    expect(count, CLIENTS, "every client's bytes arrived whole and in order")
    check(wait_until(function() return tGetCount() == 1 end), "every connection slot is free")
  end)
end

-- Left serving when the script ends: a listening slot, five connections
-- whose peers keep sending and whose callbacks keep busy, an idle UDP slot.
local streamed = 0
function OnStream(_, event)
  if event == 1 then
    streamed = streamed + 1
    local sum = 0
    for i = 1, 20000 do sum = sum + i end
  end
  return true
end
function OnStreamListen(_, event, _, extra)
  if event == 2 then return tSetCallback(extra, "OnStream") == 1 end
  return true
end
local l = tCreate(0, PORTS.tcp8)
assert(tSetCallback(l, "OnStreamListen") == 1 and tListen(l) == 1, "streaming listener")
tClose(command("STREAM " .. PORTS.tcp8 .. " 5"))
local u = tCreate(1, PORTS.udp3)
assert(tSetCallback(u, "OnStream") == 1, "idle UDP worker")
check(wait_until(function() return streamed >= 100 and tGetCount() == 7 end), "streams are served")

-- A callback left inside tWait on a slot that gets nothing (a wait of an
-- hour): closing the sockets does not end such a wait, unloading must.
local waiting = false
local idle = tCreate(1, 0)
function OnWaitForever(_, event)
  if event == 1 then
    waiting = true
    tWait(idle, 0)
  end
  return true
end
local v = tCreate(1, PORTS.udp2)
assert(tSetCallback(v, "OnWaitForever") == 1, "worker that will wait")
expect(tSendTo(idle, "wait", "127.0.0.1", PORTS.udp2), 4, "text for it")
check(wait_until(function() return waiting end), "its callback waits")
finish()
