-- Faults of peers and of the script's own use, against the peers of
-- run_fault_tests.py: resets, orderly closes, peers that vanish, read
-- slowly, never or after a half-close under sends of several MB, and ports
-- reused right after a close.
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

for round = 1, ROUNDS do
  group("a reset is error 2, an orderly close error 1, round " .. round, function()
    expect(ending_reason(PORTS.reset), 2, "peer reset the connection")
    expect(ending_reason(PORTS.orderly), 1, "peer closed the connection")
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
