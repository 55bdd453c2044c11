<%@ Language="VBScript" CodePage=1252 %>
<% Option Explicit %>
<!--#include virtual="/inc/config.asp" -->
<!--#include file="functions.asp"-->
<%
  ' Order list: shows the open orders of the signed-in customer
  Dim conn, rs, sql, total, count
  Set conn = Server.CreateObject("ADODB.Connection")
  conn.Open Application("ConnString")
  sql = "SELECT id, item, price FROM orders WHERE customer = " & CLng(Session("id"))
  Set rs = conn.Execute(sql)
  total = 0 : count = 0
%>
<html>
<head>
  <title>Orders of <%= Server.HTMLEncode(Session("name")) %></title>
  <link rel="stylesheet" href="<%= Application("Root") %>/style.css">
</head>
<body bgcolor="#FFFFFF">
  <h1>Your orders</h1>
  <table border="0" cellpadding="2">
  <% Do While Not rs.EOF
       count = count + 1
       total = total + rs("price")
       If rs("price") > 100 Then 
' expensive ones stand out
  %>
    <tr class="<% If count Mod 2 = 0 Then %>even<% Else %>odd<% End If %>">
      <td><a href="order.asp?id=<%= rs("id") %>" title="Order <%= rs("id") %>"><%= rs("item") %></a></td>
      <td align="right"><%= FormatCurrency(rs("price")) %></td>
    </tr>
  <%   End If
       rs.MoveNext
     Loop %>
  </table>
  <p>Total: <%= FormatCurrency(total) %> for <%= count %> order<% If count <> 1 Then Response.Write "s" %>.</p>
  <% If total >= 1000 Then %><p class="note">You get free delivery!</p><% End If %>
  <form method="post" action="<%= Request.ServerVariables("SCRIPT_NAME") %>">
    <input type="text" name="q" value="<%= Server.HTMLEncode(Request.Form("q")) %>" <% If Len(Request.Form("q")) > 0 Then %>class="filled"<% End If %>>
    <select name="sort"><% For i = 1 To 3 %><option value="<%=i%>" <%If CInt(Request("sort"))=i Then%>selected<%End If%>>Sort <%=i%></option><% Next %></select>
  </form>
<%
  rs.Close : conn.Close
  Set rs = Nothing
  Set conn = Nothing
%>
</body>
</html>
