-- Faults of peers and of the script's own use, against the peers of
-- run_fault_tests.py: resets, orderly closes, peers that vanish, read
-- slowly, never or after a half-close under sends of several MB, ports
-- reused right after a close, and slots closed by callbacks under the
-- script's own calls.
-- ROUNDS=n repeats everything (the soak runs many rounds).
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "../../workers/scripts/common.lua")

local ROUNDS = PORTS.rounds or 1
local BIG = 4 * 1024 * 1024
local totals = { connects = 0, bytes = 0, reuses = 0, slots = 0 }

-- The byte stream the slow reader checks: position i holds letter i % 26.
local function pattern(size)
  local block = {}
  for i = 0, 25 do block[#block + 1] = string.char(97 + i) end
  local unit = table.concat(block)
  return unit:rep(math.floor(size / 26) + 1):sub(1, size)
end
local big = pattern(BIG)

local function connected(port)
  local h = tCreate(0, 0)
  check(h ~= 0, "tCreate")
  expect(tConnect(h, "127.0.0.1", port), 1, "connect to the peer")
  totals.connects = totals.connects + 1
  totals.slots = totals.slots + 1
  return h
end

-- The peer's one-line answer on a synchronous slot.
local function line_of(h)
  local text = ""
  while not text:find("\n") do
    local piece = tRecv(h, 0)
    if piece == "" then break end
    text = text .. piece
  end
  return (text:gsub("\n.*$", ""))
end

local function ending_reason(port)
  local ended = nil
  function OnEnding(h, event)
    if event == 0 then ended = tGetError(h) end
    return true
  end
  local h = connected(port)
  expect(tSetCallback(h, "OnEnding"), 1, "serve the connection")
  expect(tSend(h, "end\n"), 4, "ask the peer to end it")
  check(wait_until(function() return ended ~= nil end), "the ending callback ran")
  check(wait_until(function() return tGetCount() == 0 end), "the slot was returned")
  return ended
end

-- Runs `call` on the script's thread while a callback closes `target` and
-- hands its handle to a new socket through `reopen`: the peer "later"
-- triggers the callback 300 ms after the call began. Answers what the call
-- gave and what `reopen` gave.
local function closed_under(target, call, reopen)
  local reopened = nil
  function OnCloseUnder(_, event)
    if event == 1 then
      tClose(target)
      reopened = reopen()
    end
    return false
  end
  local u = tCreate(1, 0)
  expect(tSetCallback(u, "OnCloseUnder"), 1, "serve the trigger")
  expect(tSendTo(u, "late", "127.0.0.1", PORTS.later), 4, "ask for the trigger")
  local result = call()
  check(wait_until(function() return reopened ~= nil end), "the callback ran")
  return result, reopened
end

for round = 1, ROUNDS do
  group("a reset is error 2, an orderly close error 1, round " .. round, function()
    expect(ending_reason(PORTS.reset), 2, "peer reset the connection")
    expect(ending_reason(PORTS.orderly), 1, "peer closed the connection")
    -- A reset that comes while the callback runs, with no receive waiting:
    -- the next receive then answers 0, as an orderly close does.
    local session = "r" .. round
    local notify = connected(PORTS.resetting)
    expect(tSend(notify, "NOTIFY " .. session .. "\n"), 8 + #session, "the notify connection")
    local ended, answered = nil, nil
    function OnResetInside(h, event)
      if event == 1 then
        tSend(notify, "inside\n")
        answered = line_of(notify)
      elseif event == 0 then
        ended = tGetError(h)
      end
      return true
    end
    local h = connected(PORTS.resetting)
    expect(tSetCallback(h, "OnResetInside"), 1, "serve the connection")
    expect(tSend(h, "RESET " .. session .. "\n"), 7 + #session, "ask for the reset")
    check(wait_until(function() return ended ~= nil end), "the ending callback ran")
    expect(answered, "done", "the reset came while the callback ran")
    expect(ended, 2, "a reset while the callback ran")
  end)

  group("several MB: a slow reader gets every byte, a vanished peer fails the send, round " .. round, function()
    local h = connected(PORTS.slow)
    local sent = 0
    while sent < BIG do
      local count = tSend(h, big:sub(sent + 1))
      check(count > 0, "tSend to the slow reader")
      if count <= 0 then break end
      sent = sent + count
    end
    expect(line_of(h), "GOT " .. BIG .. " OK", "the reader's count and check")
    totals.bytes = totals.bytes + sent
    tClose(h)

    -- The peer closed at once: the first send may still be buffered, a later
    -- one must fail instead of waiting for good.
    local v = connected(PORTS.vanish)
    expect(tRecv(v, 0), "", "the peer has gone")
    local failed = false
    for _ = 1, 4 do
      if tSend(v, big) <= 0 then failed = true break end
    end
    check(failed, "a send to the vanished peer failed")
    tClose(v)

    -- A peer that reads nothing and then resets: the send waiting on it ends.
    local s = connected(PORTS.stall)
    local stalled = 0
    for _ = 1, 4 do
      local count = tSend(s, big)
      if count <= 0 then break end
      stalled = stalled + count
    end
    check(stalled < 4 * BIG, "sends to the peer that never read ended")
    tClose(s)

    -- A peer that closed its sending side still reads everything.
    local half = connected(PORTS.halfclose)
    expect(tRecv(half, 0), "", "the peer's side is closed")
    sent = 0
    while sent < BIG do
      local count = tSend(half, big:sub(sent + 1))
      check(count > 0, "tSend to the half-closed peer")
      if count <= 0 then break end
      sent = sent + count
    end
    expect(sent, BIG, "everything sent to the half-closed peer")
    totals.bytes = totals.bytes + sent
    tClose(half)
    expect(tGetCount(), 0, "every slot returned")
  end)

  group("a send whose slot a callback closes ends, and nothing of it reaches the next socket, round " .. round,
        function()
    local huge = pattern(50 * 1024 * 1024)
    local session = tostring(round)
    local hello = "HELLO " .. session .. "\n"
    local h, reopened, helloSent = nil, nil, nil
    function OnCrossTrigger(_, event)
      if event == 1 then
        tClose(h)
        reopened = tCreate(0, 0)
        expect(tConnect(reopened, "127.0.0.1", PORTS.cross), 1, "connect again")
        helloSent = tSend(reopened, hello)
      end
      return false
    end
    local trigger = connected(PORTS.cross)
    expect(tSend(trigger, "TRIGGER " .. session .. "\n"), 9 + #session, "the trigger connection")
    expect(tSetCallback(trigger, "OnCrossTrigger"), 1, "serve it")
    h = connected(PORTS.cross)
    expect(tSend(h, "BIG " .. session .. "\n"), 5 + #session, "announce the pattern")
    -- The peer takes 1 MiB, has the callback close the slot and stops
    -- reading until the next connection said hello.
    local sent = tSend(h, huge)
    check(wait_until(function() return helloSent ~= nil end), "the callback ran during the send")
    expect(reopened, h, "the new connection got the handle")
    expect(helloSent, #hello, "the hello was sent")
    local first = tonumber((line_of(reopened) or ""):match("^FIRST (%d+)$"))
    check(first ~= nil, "the peer saw the closed connection end")
    check(sent == 0 or (first ~= nil and sent <= first),
          "tSend gave 0 or what the peer got, not " .. sent .. " of " .. tostring(first))
  end)

  group("waits whose slot a callback closes end, and the next socket keeps its text, round " .. round, function()
    local sender = tCreate(1, 0)
    -- tWait: a wait of an hour.
    local w = tCreate(1, 0)
    local waited = closed_under(w, function() return tWait(w, 0) end, function() return 0 end)
    expect(waited, 0, "tWait ends with 0")
    -- tRecv: the new socket on the handle gets a datagram; the receive of
    -- the closed one must not take it.
    local r = tCreate(1, PORTS.udpfree)
    local got, again = closed_under(r, function() return tRecv(r, 0) end, function()
      local n = tCreate(1, PORTS.udpfree)
      tSendTo(sender, "for the new socket", "127.0.0.1", PORTS.udpfree)
      return n
    end)
    expect(got, "", "tRecv ends with nothing")
    expect(again, r, "the new socket got the handle")
    expect(tRecv(again, 0), "for the new socket", "and its datagram")
    tClose(again)
    -- tAccept: a wait of ten minutes.
    local l = tCreate(0, 0)
    local accepted = closed_under(l, function() return tAccept(l, 600000) end, function() return 0 end)
    expect(accepted, 0, "tAccept ends with 0")
  end)

  group("the port of a closed served slot is free at once, round " .. round, function()
    function OnIdleServed() return true end
    for _ = 1, 20 do
      local u = tCreate(1, PORTS.udpfree)
      expect(tSetCallback(u, "OnIdleServed"), 1, "serve the UDP slot")
      tClose(u)
      local again = tCreate(1, PORTS.udpfree)
      check(again ~= 0, "tCreate on the UDP port just closed")
      tClose(again)
      local l = tCreate(0, PORTS.tcpfree)
      expect(tSetCallback(l, "OnIdleServed"), 1, "serve the listener")
      expect(tListen(l), 1, "listen")
      tClean()
      local relisten = tCreate(0, PORTS.tcpfree)
      check(relisten ~= 0, "tCreate on the TCP port just cleaned")
      tClose(relisten)
      totals.reuses = totals.reuses + 2
      totals.slots = totals.slots + 4
    end
    expect(tGetCount(), 0, "every slot returned")
  end)
end

print(string.format("faults: %d connects, %d bytes checked, %d ports reused, %d slots returned, %d in use",
                    totals.connects, totals.bytes, totals.reuses, totals.slots, tGetCount()))
finish("faults")
