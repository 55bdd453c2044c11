<%@ LANGUAGE = JScript %>
<%
  // Greeting page: the hour decides the text
  var now = new Date(), hour = now.getHours();
  var name = String(Request.QueryString("name"));
  if (name == "undefined" || name.length > 40) name = "guest";
  function greet(h) {
    if (h < 12) return "Good morning";
    else if (h >= 12 && h < 18) return "Good afternoon";
    return "Good evening";
  }
%>
<html><head><title>Hello</title>
<script language="JavaScript">
  function check(f) { return f.q.value.length > 0 && f.q.value.length < 80; }
</script>
</head>
<body onload="document.forms[0].q.focus()">
<h1><%= greet(hour) %>, <%= Server.HTMLEncode(name) %>!</h1>
<p>It is <%= hour %> o'clock.<% if (hour > 22) { %> Time to sleep.<% } %></p>
<pre>
  <%= "kept   as is" %>
</pre>
<% for (var i = 0; i < 3; i++) { %>
  <p style="margin-left: <%= i * 10 %>px">Line <%= i %></p>
<% } %>
<script runat="server" language="JScript">
  function footer() { return "<hr>  generated  " + new Date(); }
</script>
<%= footer() %>
</body></html>
