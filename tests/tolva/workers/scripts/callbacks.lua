-- tSetCallback, the worker's events and its ending, against the script's own
-- sockets and the driver's peers.
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "common.lua")

-- A listening slot on `port` whose callback serves every new connection
-- with `connectionCallback`; answers the handle and its recorded calls.
local function served_listener(port, connectionCallback, name)
  name = name or "OnListen"
  local calls = recorder(name, function(_, event, _, extra)
    if event == 2 then return tSetCallback(extra, connectionCallback) == 1 end
    return true
  end)
  local l = tCreate(0, port)
  assert(l ~= 0, "listening slot")
  assert(tSetCallback(l, name) == 1, "serve the listening slot")
  assert(tListen(l) == 1, "listen")
  return l, calls
end

local function connected_client(port)
  local c = tCreate(0, 0)
  assert(tConnect(c, "127.0.0.1", port) == 1, "connect to the script's port")
  return c
end

group("tSetCallback refusals", function()
  local calls = recorder("OnAny")
  NotAFunction = 42
  local h = tCreate(0, 0)
  expect(tSetCallback(h, "NotAFunction"), 0, "a global that is a number")
  expect(tSetCallback(h, "NoSuchGlobal"), 0, "no such global")
  expect(tSetCallback(h, 12), 0, "a name that is a number")
  expect(tSetCallback(h), 0, "no name")
  expect(tSetCallback(0, "OnAny"), 0, "handle 0")
  expect(tSetCallback(31, "OnAny"), 0, "handle 31")
  expect(tSetCallback(h + 1, "OnAny"), 0, "a free handle")
  expect(tListen(h), 0, "no callback was set by the refusals")
  expect(tSetCallback(h, "OnAny"), 1, "a global function")
  expect(tSetCallback(h, "OnAny"), 0, "a second call on the served slot")
  expect(tSetCallback(h, "recorder"), 0, "also with another function")
  expect(tListen(h), 1, "the callback is set")
  expect(tListen(h), 1, "a second listen answers at once")
  expect(tSend(h, "x"), 0, "nothing to send to on a listening socket")
  expect(tRecv(h, 10), "", "nothing to receive on a listening socket")
  expect(#calls, 0, "no events, no calls")
  expect(tClose(h), 0, "close the served slot")
  expect(tSetCallback(h, "OnAny"), 0, "the released handle")
  expect(tGetCount(), 0, "nothing left in use")
end)

group("listening slot: accepted connection, text, a nil answer ends the worker", function()
  local conn = recorder("OnConnection", function(_, _, text)
    if text == "stop" then return nil end
    return true
  end)
  local l, listened = served_listener(PORTS.tcp1, "OnConnection")
  local c = connected_client(PORTS.tcp1)
  check(wait_until(function() return #listened == 1 end), "the connection is announced")
  local a = listened[1].extra
  expect(listened[1].h, l, "event 2 names the listening handle")
  expect(listened[1].event, 2, "event 2")
  expect(listened[1].text, "", "event 2 has no text")
  expect(a, 3, "the connection took the lowest free slot")
  expect(tGetCount(), 3, "the kept connection is in use")

  expect(tSend(c, "first"), 5, "client sends")
  check(wait_until(function() return #conn == 1 end), "text arrives")
  expect(conn[1].h, a, "text event names the connection")
  expect(conn[1].event, 1, "event 1")
  expect(conn[1].text, "first", "the text")
  expect(conn[1].extra, 0, "fourth argument 0")
  expect(tSend(c, "stop"), 4, "client sends the text answered with nil")
  check(wait_until(function() return #conn == 3 end), "text and ending calls")
  expect(conn[2].text, "stop", "the text answered with nil")
  expect(conn[3].h, a, "ending call's handle")
  expect(conn[3].event, 0, "ending event 0")
  expect(conn[3].text, "", "ending text")
  expect(conn[3].extra, 0, "ending extra")
  expect(conn[3].err, 0, "nothing recorded when the callback ended it")
  check(wait_until(function() return tGetCount() == 2 end), "the handle is freed after the ending call")
  expect(tSend(a, "x"), 0, "the ended handle is refused")
  expect(tRecv(c, 0), "", "the client sees the connection closed")
  expect(#conn, 3, "no call after the ending")
  expect(#listened, 1, "the listening callback was not called again")
end)

group("an error on event 2 closes the new connection at once", function()
  local conn = recorder("OnUnwanted")
  local listened = recorder("OnRefusing", function(_, event)
    if event == 2 then error("not wanted") end
    return true
  end)
  local l = tCreate(0, PORTS.tcp2)
  expect(tSetCallback(l, "OnRefusing"), 1, "serve")
  -- The worker already waits while the socket does not listen yet.
  TestSleep(100)
  expect(tListen(l), 1, "listen")
  local c = connected_client(PORTS.tcp2)
  expect(tRecv(c, 0), "", "the connection is closed")
  expect(#listened, 1, "announced once")
  expect(listened[1].extra, 3, "with the handle it had")
  check(wait_until(function() return tGetCount() == 2 end), "its slot is free again")
  expect(#conn, 0, "nothing served it")
  -- The listening worker goes on.
  local c2 = connected_client(PORTS.tcp2)
  expect(tRecv(c2, 0), "", "a second connection is refused the same way")
  expect(#listened, 2, "and announced")
  expect(tGetError(l), 0, "the listening slot recorded nothing")
end)

group("peer close: tGetError 1 inside the ending call", function()
  local server = recorder("OnServerSide")
  local client = recorder("OnClientSide")
  local _, listened = served_listener(PORTS.tcp3, "OnServerSide")
  local c = connected_client(PORTS.tcp3)
  expect(tSetCallback(c, "OnClientSide"), 1, "serve the client side too")
  check(wait_until(function() return #listened == 1 end), "accepted")
  local a = listened[1].extra
  expect(tSend(a, "to client"), 9, "server side sends")
  check(wait_until(function() return #client == 1 end), "the client's worker receives")
  expect(client[1].text, "to client", "text")
  expect(tClose(c), 0, "the client closes")
  check(wait_until(function() return #server == 1 end), "the server side ends")
  expect(server[1].h, a, "ending call of the connection")
  expect(server[1].event, 0, "event 0")
  expect(server[1].err, 1, "tGetError inside it: the peer closed")
  check(wait_until(function() return tGetCount() == 1 end), "both connection slots are free")
  expect(#client, 1, "the client's released slot got no ending call")
end)

group("a connected slot made listening ends its worker with the listen error", function()
  local client = recorder("OnNowListening")
  local _, listened = served_listener(PORTS.tcp1, "OnNothing")
  recorder("OnNothing")
  local c = connected_client(PORTS.tcp1)
  expect(tSetCallback(c, "OnNowListening"), 1, "serve the connected slot")
  check(wait_until(function() return #listened == 1 end), "accepted")
  expect(tListen(c), 0, "a connected socket cannot listen")
  expect(tSend(listened[1].extra, "wake"), 4, "text for the worker")
  check(wait_until(function() return #client == 1 end), "the worker ends")
  expect(client[1].event, 0, "with the ending call only")
  check(client[1].err >= 10000, "tGetError inside it is Winsock's, got " .. client[1].err)
  -- Its connection closes, so the accepted side ends as well.
  check(wait_until(function() return tGetCount() == 1 end), "both connection slots are free")
end)

group("tWait sees text a worker received; the event is set before the call", function()
  local insideWait = {}
  local client = recorder("OnEchoed", function(h, event)
    if event == 1 and #insideWait == 0 then
      insideWait[1] = -1
    elseif event == 1 then
      insideWait[#insideWait + 1] = tWait(h, 1)
    end
    return true
  end)
  recorder("OnEcho", function(h, event, text)
    if event == 1 then tSend(h, text) end
    return true
  end)
  served_listener(PORTS.tcp4, "OnEcho")
  local c = connected_client(PORTS.tcp4)
  expect(tSetCallback(c, "OnEchoed"), 1, "serve the client")
  expect(tSend(c, "one"), 3, "send")
  check(wait_until(function() return #client == 1 end), "the echo arrives")
  expect(client[1].text, "one", "echoed text")
  expect(tWait(c, 10000), 1, "tWait after the callback: text arrived")
  expect(tWait(c, 50), 0, "nothing new since")
  expect(tSend(c, "two"), 3, "send again")
  check(wait_until(function() return #client == 2 end), "the second echo arrives")
  -- The call is recorded as it starts: its tWait answers a moment later.
  check(wait_until(function() return insideWait[2] ~= nil end), "the callback's tWait answers")
  expect(insideWait[2], 1, "inside the callback the event is already set")
end)

group("UDP: an empty datagram ends with 1, one over 1024 bytes with 2", function()
  local calls = recorder("OnDatagram")
  local u = tCreate(1, PORTS.udp1)
  local s = tCreate(1, 0)
  expect(tSetCallback(u, "OnDatagram"), 1, "serve")
  expect(tSendTo(s, "dgram", "127.0.0.1", PORTS.udp1), 5, "send")
  check(wait_until(function() return #calls == 1 end), "datagram arrives")
  expect(calls[1].text, "dgram", "its text")
  expect(calls[1].event, 1, "event 1")
  expect(answer(command("UDPEMPTY " .. PORTS.udp1)), "SENT", "the driver sent an empty datagram")
  check(wait_until(function() return #calls == 2 end), "the worker ends")
  expect(calls[2].event, 0, "ending call")
  expect(calls[2].err, 1, "tGetError 1 inside it")
  check(wait_until(function() return tGetCount() == 1 end), "the slot is free")

  calls = recorder("OnBig")
  local big = tCreate(1, PORTS.udp2)
  expect(tSetCallback(big, "OnBig"), 1, "serve")
  expect(tSendTo(s, string.rep("x", 1024), "127.0.0.1", PORTS.udp2), 1024, "1024 bytes")
  expect(tSendTo(s, string.rep("y", 1025), "127.0.0.1", PORTS.udp2), 1025, "1025 bytes")
  check(wait_until(function() return #calls == 2 end), "two calls")
  expect(calls[1].text, string.rep("x", 1024), "1024 bytes arrive whole")
  expect(calls[2].event, 0, "the longer datagram ends the worker")
  expect(calls[2].err, 2, "tGetError 2 inside it")
end)

group("a listening slot with the table full refuses connections", function()
  local conn = recorder("OnWelcome")
  local listened = recorder("OnFull", function(_, event, _, extra)
    if event == 2 then tSend(extra, "welcome") end
    return true
  end)
  local l = tCreate(0, PORTS.tcp5)
  expect(tSetCallback(l, "OnFull"), 1, "serve")
  expect(tListen(l), 1, "listen")
  local fillers = {}
  while tGetCount() < 29 do fillers[#fillers + 1] = tCreate(1, 0) end
  local control = command("PROBE " .. PORTS.tcp5)
  expect(tGetCount(), 30, "the table is full")
  expect(answer(control), "CLOSED", "the connection is closed without a word")
  expect(#listened, 0, "and without a callback")
  expect(tClose(fillers[1]), 0, "free a slot")
  expect(answer(command("PROBE " .. PORTS.tcp5)), "GOT welcome", "now it is accepted")
  expect(#listened, 1, "and announced")
  expect(#conn, 0, "nothing served")
end)

group("closing a slot while its worker is inside a callback", function()
  local inside, closed, result = false, false, {}
  local calls = recorder("OnBusy", function(h)
    result.h = h
    inside = true
    local spins = 0
    while not closed and spins < 1e8 do spins = spins + 1 end
    result.err = tGetError(h)
    result.sent = tSend(h, "late")
    return true
  end)
  local _, listened = served_listener(PORTS.tcp6, "OnBusy")
  local c = connected_client(PORTS.tcp6)
  check(wait_until(function() return #listened == 1 end), "accepted")
  expect(tSend(c, "go"), 2, "send")
  check(wait_until(function() return inside end), "the callback runs")
  -- The slot whose worker is inside the callback, as the callback sees it.
  -- (not the first accept the listener announced, which a stray
  -- connection to the port could be).
  local a = result.h
  expect(tClose(a), 0, "the script closes the slot under it")
  closed = true
  check(wait_until(function() return result.sent ~= nil end), "the callback returns")
  expect(result.err, 0, "inside, the handle is already free")
  expect(result.sent, 0, "and refused")
  expect(tRecv(c, 0), "", "the client sees the end")
  -- The handle is taken again by a new socket; the old worker leaves it be.
  local u = tCreate(1, PORTS.udp3)
  expect(u, a, "the new socket gets the handle")
  local s = tCreate(1, 0)
  expect(tSendTo(s, "mine", "127.0.0.1", PORTS.udp3), 4, "send to the new socket")
  expect(tRecv(u, 0), "mine", "the new socket gets its datagram")
  expect(tGetError(u), 0, "nothing was written into it")
  expect(#calls, 1, "no call after the close")
end)

group("a callback closing its own slot; a callback that is no function any more", function()
  local own = recorder("OnSelfClose", function(h, event)
    if event == 1 then tClose(h) end
    return true
  end)
  local _, listened = served_listener(PORTS.tcp2, "OnSelfClose")
  local c = connected_client(PORTS.tcp2)
  check(wait_until(function() return #listened == 1 end), "accepted")
  expect(tSend(c, "bye"), 3, "send")
  expect(tRecv(c, 0), "", "the connection is closed by its callback")
  check(wait_until(function() return tGetCount() == 2 end), "its slot is free")
  expect(#own, 1, "no ending call after the callback closed the slot")

  local replaced = recorder("OnReplaced")
  local u = tCreate(1, PORTS.udp2)
  local s = tCreate(1, 0)
  expect(tSetCallback(u, "OnReplaced"), 1, "serve")
  expect(tSendTo(s, "one", "127.0.0.1", PORTS.udp2), 3, "send")
  check(wait_until(function() return #replaced == 1 end), "called")
  OnReplaced = "not a function"
  expect(tSendTo(s, "two", "127.0.0.1", PORTS.udp2), 3, "send again")
  check(wait_until(function() return tGetCount() == 3 end), "the worker ends and frees the slot")
  expect(#replaced, 1, "without calls")
end)

group("a script that never calls out still gets its callbacks", function()
  local got = false
  recorder("OnNoticed", function()
    got = true
    return true
  end)
  local _, listened = served_listener(PORTS.tcp7, "OnNoticed")
  local c = connected_client(PORTS.tcp7)
  check(wait_until(function() return #listened == 1 end), "accepted")
  expect(tSend(c, "ping"), 4, "send")
  -- A loop with no calls: the state's lock is handed over at its jumps.
  local spins = 0
  while not got and spins < 1e9 do spins = spins + 1 end
  check(got, "the callback ran while the script looped")
end)

group("slot after slot, each connection's worker calls that connection's callback", function()
  -- Workers are kept between slots: whichever serves a connection must
  -- call its callback with its handle, never an earlier slot's.
  local names, got, round, accepted = { "OnOddRound", "OnEvenRound" }, {}, 0, 0
  for _, name in ipairs(names) do
    _G[name] = function(h, event, text)
      got[#got + 1] = name .. " " .. h .. " " .. event .. " " .. text
      return nil -- the first text ends the worker
    end
  end
  function OnRoundListen(_, event, _, extra)
    if event ~= 2 then return true end
    accepted = extra
    return tSetCallback(extra, names[round % 2 + 1]) == 1
  end
  local l = tCreate(0, PORTS.tcp8)
  expect(tSetCallback(l, "OnRoundListen"), 1, "serve the listening slot")
  expect(tListen(l), 1, "listen")
  for r = 1, 40 do
    round = r
    local c = connected_client(PORTS.tcp8)
    expect(tSend(c, "round " .. r), #("round " .. r), "the client sends")
    local arrived = wait_until(function() return #got == 2 * r end)
    check(arrived, "text and ending of round " .. r)
    if not arrived then break end
    local name = names[r % 2 + 1] .. " " .. accepted
    expect(got[2 * r - 1], name .. " 1 round " .. r, "the text's call")
    expect(got[2 * r], name .. " 0 ", "the ending call")
    tClose(c)
    check(wait_until(function() return tGetCount() == 1 end), "only the listener is left")
  end
  tClose(l)
end)
finish()
