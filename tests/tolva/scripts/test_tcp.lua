-- TCP: connecting, accepting, receiving, sending and waiting, against the
-- driver's loopback peers.

-- The module's host-name lookups and connection attempts since the last
-- call, as the test host counts them.
local function socket_calls()
  local lookups, connects = TestSocketCalls()
  assert(lookups, "the test host cannot count the module's socket calls")
  return lookups, connects
end

local function expect_socket_calls(lookups, connects, what)
  local seenLookups, seenConnects = socket_calls()
  expect(seenLookups, lookups, what .. ": host-name lookups")
  expect(seenConnects, connects, what .. ": connection attempts")
end

group("tConnect: port rules, dotted address, failures", function()
  local h = tCreate(0, 0)
  socket_calls()
  expect(tConnect(h, "127.0.0.1", 0), 0, "port 0")
  expect(tConnect(h, "127.0.0.1", 65536), 0, "port 65536 (low 16 bits 0)")
  expect(tConnect(h, "127.0.0.1", "80"), 0, "text port")
  expect(tConnect(h, 127, PORTS.echo), 0, "number as host")
  expect(tConnect(h, nil, PORTS.echo), 0, "no host")
  expect_socket_calls(0, 0, "refused arguments")
  expect(tConnect(h, "no-such-host.invalid", 0), 0, "host name with port 0")
  expect_socket_calls(0, 0, "port 0 before any lookup")
  -- (a 70-character label cannot be encoded as a DNS query: no packet leaves)
  expect(tConnect(h, string.rep("x", 70) .. ".invalid", PORTS.echo), 0, "host name that does not resolve")
  expect_socket_calls(1, 0, "a host name is looked up")
  -- No attempt was made above: the socket still connects, and a port above
  -- 65535 is taken by its low 16 bits (65537 would be port 1).
  expect(tConnect(h, "127.0.0.1", PORTS.echo + 65536), 1, "dotted address, port + 65536")
  expect_socket_calls(0, 1, "a dotted address is used without a lookup")
  expect(tSend(h, "ping"), 4, "send over the connection")
  expect(tRecv(h, 0), "ping", "the echo peer answers")

  local refused = tCreate(0, 0)
  expect(tConnect(refused, "127.0.0.1", PORTS.free_tcp), 0, "nobody listening")
  expect(tConnect(tCreate(0, 0), "127.0.0.1", PORTS.echo + 0.75), 1, "fractional port truncated")
end)

group("tRecv: size limits, zero byte, peer close", function()
  local h = control_connection("BULK 3000")
  local data, largest = receive_all(h, 0)
  expect(#data, 3000, "size 0: everything arrives")
  check(largest <= 1024, "size 0 reads at most 1024 bytes, read " .. largest)
  expect(tRecv(h, 0), "", "after the peer closed")
  expect(tRecv(h, 0), "", "and again")

  h = control_connection("BULK 4000")
  expect(tRecv(h, -1), "", "negative size")
  data, largest = receive_all(h, 5000)
  expect(#data, 4000, "size 5000: the negative size consumed nothing")
  check(largest <= 1024, "size 5000 reads at most 1024 bytes, read " .. largest)
  expect(data:sub(1, 10), "abcdefghij", "bytes arrive unchanged")

  h = control_connection("BULK 100")
  data, largest = receive_all(h, 7)
  expect(#data, 100, "size 7: everything arrives")
  check(largest <= 7, "size 7 reads at most 7 bytes, read " .. largest)

  h = control_connection("ZERO")
  expect(tRecv(h, 0), "abc", "text ends at the zero byte")

  h = control_connection("BYE")
  expect(tRecv(h, 100), "", "peer closed without sending")
  expect(tRecv(h, "100"), "", "text size")
  expect(tRecv(h), "", "no size")
end)

group("tSend: socket type and empty text", function()
  local h = tCreate(0, 0)
  expect(tConnect(h, "127.0.0.1", PORTS.echo), 1, "connect")
  expect(tSend(h, ""), 0, "empty text")
  expect(tSend(h, "\0abc"), 0, "text that is empty up to its zero byte")
  expect(tSend(h, 12345), 0, "a number is not text")
  expect(tSend(h), 0, "no text")
  expect(tSend(h, "ab\0cd"), 2, "sent up to the zero byte")
  expect(tRecv(h, 0), "ab", "the peer got only that")
  local u = tCreate(1, 0)
  expect(tSend(u, "datagram"), 0, "tSend on a UDP slot")
  expect(tConnect(u, "127.0.0.1", PORTS.udp), 1, "tConnect fixes a UDP peer")
  expect(tSend(u, "datagram"), 0, "still no tSend on UDP")
end)

group("tSend: a long text ends at its first zero byte wherever it lies", function()
  local h = tCreate(0, 0)
  expect(tConnect(h, "127.0.0.1", PORTS.echo), 1, "connect")
  -- Positions around the 16-byte blocks a scan may take at once, then far in.
  for _, at in ipairs({1, 14, 15, 16, 17, 31, 32, 33, 47, 48, 1000, 4099}) do
    local text = string.rep("x", at) .. "\0" .. string.rep("y", 40)
    expect(tSend(h, text), at, "zero byte after " .. at .. " bytes")
    local echoed = ""
    while #echoed < at do
      local piece = tRecv(h, 0)
      if piece == "" then break end
      echoed = echoed .. piece
    end
    expect(echoed, string.rep("x", at), "the peer got the " .. at .. " bytes before it")
  end
  local plain = string.rep("z", 3000)
  expect(tSend(h, plain), 3000, "a text without zero bytes is sent whole")
  local echoed = ""
  while #echoed < 3000 do
    local piece = tRecv(h, 0)
    if piece == "" then break end
    echoed = echoed .. piece
  end
  expect(echoed, plain, "the peer got all of it")
  tClose(h)
end)

group("tAccept: a connection replaces the listening socket", function()
  local port = PORTS.free_tcp
  local listener = tCreate(0, port)
  check(listener ~= 0, "listening slot")
  expect(tAccept(listener, "1000"), 0, "text time-out")
  expect(tAccept(listener, 1), 0, "nobody connects within 1 ms")
  tClose(control_connection("CONNECT " .. port))
  expect(tAccept(listener, 60000), 1, "the peer's connection is accepted")
  expect(receive_all(listener, 0), "hello from peer", "the handle names the connection")
  expect(tGetError(listener), 0, "no error recorded")
  expect(tWait(listener, 10), 0, "tWait on a slot without a worker times out")

  local u = tCreate(1, 0)
  expect(tAccept(u, 10), 0, "a UDP socket cannot listen")
  expect(tListen(tCreate(0, 0)), 0, "tListen on a slot without a callback")
end)

group("tWait: arguments and slots without an event", function()
  local h = tCreate(0, 0)
  expect(tWait(h, "5"), 0, "text time-out")
  expect(tWait(h), 0, "no time-out")
  expect(tWait(h, 20), 0, "nothing arrives: time-out")
end)

group("a served slot without a peer looks at nothing until tConnect wakes its worker", function()
  local texts = {}
  function OnLateConnect(_, event, text)
    if event == 1 then texts[#texts + 1] = text end
    return true
  end
  local h = tCreate(0, 0)
  expect(tSetCallback(h, "OnLateConnect"), 1, "serve the slot before it connects")
  TestSocketCalls()
  TestSleep(300)
  local _, _, _, _, peerLooks = TestSocketCalls()
  expect(peerLooks, 0, "no look for a peer while nothing happens")
  expect(tConnect(h, "127.0.0.1", PORTS.echo), 1, "connect the served slot")
  expect(tSend(h, "late"), 4, "send to the echo peer")
  expect(tWait(h, 10000), 1, "the worker receives the echo")
  for _ = 1, 1000 do
    if texts[1] then break end
    TestSleep(5)
  end
  expect(texts[1], "late", "and hands it to the callback")
end)
