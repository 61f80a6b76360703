-- Exact limits that looser tests let through: the receive clamp, the 27th
-- empty wait, slots taken from several threads at once, the time-outs that
-- stand for longer waits, handle 30, and the callbacks' event numbers. Run by
-- tolva_test_host (which counts the module's waiting socket calls) with the
-- workers' wait shortened, so the idle worker's 27 waits take seconds.
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "../../workers/scripts/common.lua")
expect(TestShortenWorkerWait(200), true, "the workers' wait can be shortened")

local function letters(size)
  local out = {}
  for i = 0, size - 1 do out[#out + 1] = string.char(97 + i % 26) end
  return table.concat(out)
end

group("1024 waiting bytes come back whole from tRecv(h, 0) and tRecv(h, 5000)", function()
  local a, b = tCreate(1, 0), tCreate(1, PORTS.udpgap)
  for _, size in ipairs({ 0, 5000 }) do
    expect(tSendTo(a, letters(1024), "127.0.0.1", PORTS.udpgap), 1024, "a 1024-byte datagram")
    expect(tRecv(b, size), letters(1024), "the datagram whole with size " .. size)
  end
  local t = tCreate(0, 0)
  expect(tConnect(t, "127.0.0.1", PORTS.bulk), 1, "connect to the peer that sends 4000 bytes")
  local first = tRecv(t, 0)
  expect(#first, 1024, "size 0 takes 1024 of the 4000 bytes")
  expect(tRecv(t, 5000), letters(2048):sub(1025), "size 5000 takes the next 1024")
  expect(first, letters(1024), "the bytes in order")
end)

group("an idle worker gives up at its 27th empty wait, counted by its waiting calls", function()
  local calls = recorder("OnIdleGap")
  local u = tCreate(1, 0)
  TestSocketCalls()
  expect(tSetCallback(u, "OnIdleGap"), 1, "serve")
  check(wait_until(function() return tGetError(u) == 25 end), "the worker gave up")
  -- A worker waits either in a readiness wait or in a receive that waits
  -- by itself; nothing arrives, so each of those calls is one empty wait.
  local _, _, selects, receives = TestSocketCalls()
  expect(selects + receives, 27, "waits before giving up")
  expect(#calls, 0, "without a callback")
end)

group("slots taken from several threads at once are distinct, and every one is counted back", function()
  -- Callbacks of six served slots, the script and a listener's worker take
  -- and return slots at once, round after round; a handle handed to two
  -- holders at once, or a count that does not come back, fails.
  local held, handedOut, doubled, finished = {}, 0, 0, 0
  local function take(count)
    local mine = {}
    for _ = 1, count do
      local h = tCreate(1, 0)
      if h ~= 0 then
        if held[h] then doubled = doubled + 1 end
        held[h], handedOut = true, handedOut + 1
        mine[#mine + 1] = h
      end
    end
    for _, h in ipairs(mine) do
      held[h] = nil
      tClose(h)
    end
  end
  function OnTake(_, event)
    if event == 1 then
      for _ = 1, 4 do take(3) end
      finished = finished + 1
    end
    return true
  end
  function OnTakeAccept(_, event, _, extra)
    if event == 2 then
      if held[extra] then doubled = doubled + 1 end
      handedOut = handedOut + 1
    end
    return false  -- the connection's slot goes back at once
  end
  local takers, sender = {}, tCreate(1, 0)
  -- All bound before any worker makes its own sockets on ports the system
  -- picks.
  for i = 1, 6 do takers[i] = tCreate(1, PORTS["take" .. i]) end
  local listener = tCreate(0, PORTS.tcpgap2)
  for i = 1, 6 do expect(tSetCallback(takers[i], "OnTake"), 1, "serve taker " .. i) end
  expect(tSetCallback(listener, "OnTakeAccept"), 1, "serve the listener")
  expect(tListen(listener), 1, "listen")
  local inUse = tGetCount()
  for round = 1, 150 do
    finished = 0
    for i = 1, 6 do tSendTo(sender, "take", "127.0.0.1", PORTS["take" .. i]) end
    local client = tCreate(0, 0)
    tConnect(client, "127.0.0.1", PORTS.tcpgap2)
    take(2)
    tClose(client)
    if not wait_until(function() return finished == 6 end) then
      check(false, "every taker ran, round " .. round)
      break
    end
  end
  expect(doubled, 0, "no handle held twice at once, of " .. handedOut)
  check(handedOut > 150 * 70, "the slots were taken: " .. handedOut)
  check(wait_until(function() return tGetCount() == inUse end), "the count is back where it was: " .. tGetCount())
  -- A listener takes slots for connections while the script takes its own.
  local accepted = {}
  function OnTakeListen(_, event, _, extra)
    if event == 2 then accepted[#accepted + 1] = extra end
    return true
  end
  local l = tCreate(0, PORTS.tcpgap)
  expect(tSetCallback(l, "OnTakeListen"), 1, "serve the listener")
  expect(tListen(l), 1, "listen")
  local clients, own = {}, {}
  for i = 1, 6 do
    clients[i] = tCreate(0, 0)
    expect(tConnect(clients[i], "127.0.0.1", PORTS.tcpgap), 1, "client " .. i)
    own[i] = tCreate(1, 0)
    tClose(tCreate(1, 0))
  end
  check(wait_until(function() return #accepted == 6 end), "six connections accepted")
  local seen, distinct = {}, true
  for _, list in ipairs({ takers, clients, own, accepted, { sender, l } }) do
    for _, h in ipairs(list) do
      if h == 0 or seen[h] then distinct = false end
      seen[h] = true
    end
  end
  check(distinct, "the listener's slots and the script's are distinct")
end)

group("tWait(h, 0), tWait(h, -5) and tAccept(h, 0) wait longer than at once", function()
  local calls = recorder("OnLate")
  local u = tCreate(1, 0)
  expect(tSetCallback(u, "OnLate"), 1, "serve")
  for _, timeout in ipairs({ 0, -5 }) do
    expect(tSendTo(u, "late", "127.0.0.1", PORTS.later), 4, "ask for text in 300 ms")
    expect(tWait(u, timeout), 1, "tWait(h, " .. timeout .. ") sees it")
  end
  -- tWait answers once the event is set, which happens before the call.
  check(wait_until(function() return #calls == 2 end), "both texts reached the callback")
  local l = tCreate(0, PORTS.tcplate)
  expect(tSendTo(u, "connect " .. PORTS.tcplate, "127.0.0.1", PORTS.later), 8 + #tostring(PORTS.tcplate),
         "ask for a connection in 1.5 s")
  expect(tAccept(l, 0), 1, "tAccept(h, 0) takes it")
end)

group("handle 30 works in every function that takes a handle", function()
  for i = 1, 29 do expect(tCreate(1, 0), i, "filler " .. i) end
  local u = tCreate(1, PORTS.udp30)
  expect(u, 30, "the 30th slot")
  expect(tSendTo(30, "x", "127.0.0.1", PORTS.udp30), 1, "tSendTo(30)")
  expect(tRecv(30, 0), "x", "tRecv(30)")
  expect(tSendTo(30, "x", "localhost", PORTS.udp30), 0, "a failing tSendTo(30)")
  expect(tGetError(30), 10013, "tGetError(30)")
  local calls = recorder("OnThirty", function(_, event) return event ~= 1 end)
  expect(tSetCallback(30, "OnThirty"), 1, "tSetCallback(30)")
  expect(tSendTo(1, "y", "127.0.0.1", PORTS.udp30), 1, "text for the served slot 30")
  expect(tWait(30, 5000), 1, "tWait(30)")
  check(wait_until(function() return #calls == 2 end), "data, then ending callback")
  expect(calls[1] and calls[1].h, 30, "callback handle 30")
  expect(calls[1] and calls[1].event, 1, "data event number")
  expect(calls[2] and calls[2].event, 0, "ending event number")
  check(wait_until(function() return tGetCount() == 29 end), "slot 30 returned")

  expect(tCreate(0, 0), 30, "slot 30 again, TCP")
  expect(tConnect(30, "127.0.0.1", PORTS.bulk), 1, "tConnect(30)")
  expect(#tRecv(30, 0), 1024, "tRecv(30) on TCP")
  expect(tSend(30, "bye"), 3, "tSend(30)")
  expect(tClose(30), 0, "tClose(30)")
  expect(tGetCount(), 29, "tClose(30) released it")

  expect(tCreate(0, PORTS.tcp30), 30, "slot 30 again, a listener")
  local events = recorder("OnThirtyListen", function() return false end)
  expect(tSetCallback(30, "OnThirtyListen"), 1, "tSetCallback(30) for listening")
  expect(tListen(30), 1, "tListen(30)")
  tClose(3)
  tClose(4)  -- one slot for the client, one for the connection
  local c = tCreate(0, 0)
  expect(tConnect(c, "127.0.0.1", PORTS.tcp30), 1, "connect to listener 30")
  check(wait_until(function() return #events >= 1 end), "the accept callback ran")
  expect(events[1] and events[1].h, 30, "accept callback handle 30")
  expect(events[1] and events[1].event, 2, "accept event number")
  expect(events[1] and events[1].text, "", "accept text")
  check(events[1] and events[1].extra >= 1 and events[1].extra <= 30, "the new connection's handle")
  tClose(30)
  tClose(c)
  check(wait_until(function() return tGetCount() == 27 end), "the refused connection's slot returned")
  tCreate(1, 0)
  tCreate(1, 0)
  expect(tCreate(0, PORTS.tcp30b), 30, "slot 30 for tAccept")
  expect(tSendTo(2, "connect " .. (PORTS.tcp30b), "127.0.0.1", PORTS.later), 8 + #tostring(PORTS.tcp30b),
         "ask for a connection")
  expect(tAccept(30, 5000), 1, "tAccept(30)")
end)

finish("gaps")
