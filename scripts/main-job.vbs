' The main job: an automation host creates the control by its ProgID and shows what it holds.
Option Explicit
Dim o
Set o = CreateObject("DorvikFTP.DorvikFTPCtrl")
WScript.Echo "DorvikFTP control " & o.Version
WScript.Echo "  ServerName   = """ & o.ServerName & """"
WScript.Echo "  ServerPort   = " & o.ServerPort
WScript.Echo "  Username     = """ & o.Username & """"
WScript.Echo "  BinaryMode   = " & o.BinaryMode
WScript.Echo "  PassiveMode  = " & o.PassiveMode
WScript.Echo "  Timeout      = " & o.Timeout
WScript.Echo "  MaxBandwidth = " & o.MaxBandwidth
WScript.Echo "  ProxyName    = """ & o.ProxyName & """"
WScript.Echo "  ProxyPort    = " & o.ProxyPort
WScript.Echo "  IsConnected  = " & o.IsConnected
WScript.Echo "  Busy         = " & o.Busy
