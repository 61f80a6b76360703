-- Idle workers give up at their 27th empty wait. The host shortens the
-- wait of the workers started here from an hour to 30 ms.
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "common.lua")

expect(TestShortenWorkerWait(30), true, "the workers' wait can be shortened")

group("the 27th empty wait: tGetError 25, socket open, can be served again", function()
  local calls = recorder("OnIdle")
  local u = tCreate(1, PORTS.udp1)
  expect(tSetCallback(u, "OnIdle"), 1, "serve")
  check(wait_until(function() return tGetError(u) == 25 end), "the worker gave up")
  expect(#calls, 0, "without a callback")
  expect(tGetCount(), 1, "the slot stays in use")
  local s = tCreate(1, 0)
  expect(tSendTo(s, "still open", "127.0.0.1", PORTS.udp1), 10, "send to it")
  expect(tRecv(u, 0), "still open", "its socket is still open")
  expect(tSetCallback(u, "OnIdle"), 1, "it can be served again")
  expect(tSendTo(s, "served", "127.0.0.1", PORTS.udp1), 6, "send again")
  check(wait_until(function() return #calls == 1 end), "the new worker calls")
  expect(calls[1].text, "served", "with the text")
  expect(tGetError(u), 25, "the old reason stays until something else is recorded")

  local l = tCreate(0, PORTS.tcp1)
  expect(tSetCallback(l, "OnIdle"), 1, "serve a TCP slot")
  expect(tListen(l), 1, "listening")
  check(wait_until(function() return tGetError(l) == 25 end), "a listening worker gives up too")
  expect(tListen(l), 0, "no callback is set any more")
  expect(tSetCallback(l, "OnIdle"), 1, "serve it again")
  expect(tListen(l), 1, "still marked listening")
  local c = tCreate(0, 0)
  expect(tConnect(c, "127.0.0.1", PORTS.tcp1), 1, "connect")
  check(wait_until(function() return #calls >= 2 end), "the new worker accepts")
  expect(calls[2].h, l, "announced on the listening handle")
  expect(calls[2].event, 2, "event 2")
end)

finish()
